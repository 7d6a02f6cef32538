// The 「もう一度きく」 mark: a speaker and its label in a framed box that a tap replays.
#pragma once
#include <windows.h>

extern const char kReplayLabel[];  // "もう一度きく"
// Draws the mark into area: a filled box of the text colour, the speaker and the label in the
// background colour, so it reads on any wallpaper.
void draw_replay_mark(HDC dc, const RECT &area, COLORREF fore, COLORREF back);

// The player's screen: composition, choice layout and hit test, the two colours and the brush.
#pragma once
#include <windows.h>
#include "screen_fit.h"

enum { kChoiceSlots = 6, kBackSlot = 5 };
enum { kMinRowTenthsMm = kFitRowTenthsMm };

enum ColourOp {
    kColourGet = 0,
    kColourSet = 4,      // store the colour (the back colour also rebuilds the brush)
    kColourStoreOnly = 5 // back colour only: store without rebuilding (used by the brush itself)
};
enum BrushOp {
    kBrushGet = 0,       // created with the back colour at first use
    kBrushRebuild = 5,   // delete the old brush, create a solid one of the colour
};

COLORREF text_colour(int op, COLORREF colour);
COLORREF back_colour(int op, COLORREF colour);
HBRUSH back_brush(int op, COLORREF colour);

// The layout of one client rectangle (left and top 0).
struct ScreenLayout {
    int w10, h10, h2;
    RECT text, header, footer, comment;
};
ScreenLayout screen_layout(const RECT &client);

struct ChoiceBox {
    int x, y, width, height;
};
// The choices of the screen shown now, from screen_fit: the answers (slots 0 to 4) stand in one
// column of even rows (the tallest answer and half a line, at least kMinRowTenthsMm at the
// screen's DPI, a finger's target); each text is drawn in its own box, centred on its row, and a
// click anywhere on the row chooses it: from the column's left edge (the badge's, when numbers
// are shown) to the widest answer's right edge, down to the next row. "戻る" (slot 5) takes clicks
// a quarter of its height around its text. Drawing and the hit test both use this, so they
// cannot disagree.
struct ChoiceLayout {
    unsigned shown;  // bit i: slot i offers a text
    ChoiceBox box[kChoiceSlots];
    RECT hit[kChoiceSlots];
};
ChoiceLayout choice_layout(HWND window);
// The whole fit of the screen shown now: broken lines, the fonts' common scale, areas and rows.
ScreenFit screen_fit(HWND window);
// Each answer's key (1 to 5) in a badge before it (the set's NUMBERS switch).
void show_answer_numbers(bool on);
bool answer_numbers_shown();
// The 「もう一度きく」 mark on question and result screens (the screen has a voice to hear again).
void show_replay_mark(bool on);
bool replay_mark_shown();
// The mark shows pressed while set, as a chosen answer does.
void set_replay_pressed(bool on);
// True when (x, y) lies on the mark, as the fit placed it.
bool hit_replay_mark(HWND window, int x, int y);
// The drawn box of one slot of the screen shown now.
ChoiceBox choice_rect(HWND window, int slot);
// 1 and *slot when (x, y) lies on a shown choice's row, else 0.
int hit_choice(HWND window, int x, int y, int *slot);

// The keyboard's highlight: a frame around one choice's row, so arrow keys show where Enter
// lands; -1 = none.
void set_choice_highlight(int slot);
// Question screens show "3/6" in the top right corner (the set's PROGRESS switch).
void show_progress_mark(bool on);
int choice_highlight();
// 「続けますか？」 over the screen with the seconds left before the idle return; -1 = none.
void set_idle_prompt_seconds(int seconds);
int idle_prompt_seconds();
// The choice just tapped, drawn inverted for a moment before the next screen; -1 = none.
void set_choice_pressed(int slot);

// Draws the whole screen of a client rectangle into dc: the one path shared by WM_PAINT, tests,
// screenshots and benchmarks.
void compose_screen(HWND window, HDC dc, const RECT &client, int score_display, int full_screen);
// The WM_PAINT handler: composes off screen and copies in one BitBlt.
void paint_screen(HWND window, int score_display, int full_screen);

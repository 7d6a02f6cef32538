// Fitting the player's texts to its window: lines broken to the width, fonts shrunk together
// when a screen still does not fit, answer rows a finger can hit. Painting and hit testing both
// read the one ScreenFit, so what is drawn is what a click finds.
#pragma once
#include <windows.h>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

enum { kFitSlots = 6, kFitBackSlot = 5 };
// The three fonts that shrink together (the header and footer are one short line each).
enum FitRole { kFitMain = 0, kFitAnswer = 1, kFitComment = 2, kFitRoles = 3 };
enum {
    kFitMaxAnswerLines = 2,
    kFitRowTenthsMm = 90,     // answer rows at least 9 mm apart: a finger's target
    kFitFloorTenthsMm = 40,   // fonts never shrink below 4 mm (15 pixels at 100 %)
    kFitBadgeTenthsMm = 70,   // a number badge is at least 7 mm square
    kFitStepPercent = 5,
    kFitReplayTenthsMm = 120,  // the 「もう一度きく」 mark is 12 mm high (a finger needs 9)
};

// Widths of single characters (one byte, or lead byte << 8 | trail byte of Shift-JIS) and the
// line height of a role's font at a cell height.
class FitMeasure {
public:
    virtual ~FitMeasure() {}
    virtual int char_width(int role, int height, unsigned ch) const = 0;
    virtual int line_height(int role, int height) const = 0;
};

struct FitInput {
    RECT client;                    // left and top 0
    int dpi;
    const char *main;               // start title, question or result title; null = none
    const char *choice[kFitSlots];  // null or "" = the slot shows nothing
    const char *comment;            // null = not the result screen
    int height[kFitRoles];          // the fonts' heights at 100 %, in pixels
    bool numbered;                  // a badge with the answer's key before each answer
    RECT keep_clear;                // the result screen's title and comment keep out of it (a QR code); empty: none
    bool replay;                    // the 「もう一度きく」 mark is shown (replay_mark_rect)
};

struct FitBox {
    int x, y, width, height;
};

// A reading drawn small above its base text: on line `line`, from x (relative to the block's
// left edge), in the role's reading font.
struct FitRuby {
    int line, x;
    std::string reading;
};

// One text as laid out: lines joined by "\r\n"; with readings each line has a band of
// ruby_band pixels above it for them, drawn in a font of ruby_height.
struct FitBlock {
    std::string text;
    int line_height = 0, ruby_band = 0, ruby_height = 0;
    std::vector<FitRuby> ruby;
    int pitch() const { return line_height + ruby_band; }
};

struct ScreenFit {
    int percent;                 // the common scale of the three fonts
    int height[kFitRoles];       // the heights used
    bool fits;                   // false: even at the floor something is cut or leaves the window
    bool floor_reached;          // the fonts could shrink no further
    RECT main, comment;
    FitBlock main_text, comment_text;       // with the line breaks the layout chose
    unsigned shown;                         // bit i: slot i shows a text
    FitBlock choice_text[kFitSlots];        // at most two lines an answer
    FitBox box[kFitSlots];                  // where each choice's text is drawn
    RECT hit[kFitSlots];                    // where a click chooses it
    RECT badge[kFitBackSlot];               // the key's badge, when numbered
    RECT replay;                            // the 「もう一度きく」 mark, drawn and tapped here; empty: none
};

// Where the 「もう一度きく」 mark stands: at the right, level with the top of the big text, kFitReplayTenthsMm
// high and three and a half times as wide (a speaker and its label). The big text and the answers keep clear of it.
RECT replay_mark_rect(const RECT &client, int dpi);

// Narrows a text area that meets the square to the side of it with more room.
void keep_text_clear(RECT *area, const RECT &square);

ScreenFit fit_screen(const FitInput &in, const FitMeasure &measure);

// Breaks text into lines no wider than width (a word of Latin letters moves whole when it can);
// returns the text with "\r\n" between lines and the count and widest line, and where given the
// byte range of each line in text.
std::string break_lines(const char *text, int role, int height, int width, const FitMeasure &measure, int *lines,
                        int *widest, std::vector<std::pair<size_t, size_t>> *ranges = nullptr);
// A text with readings (reading.h) laid out so: its plain text broken into lines, each reading
// placed over its base on its line.
FitBlock fit_block(const char *text, int role, int height, int width, const FitMeasure &measure, int *lines,
                   int *widest);

// Measures with real fonts: each role's LOGFONT (at the screen's DPI), whose |lfHeight| is the
// role's height at 100 %, scaled to the asked height.
class GdiFitMeasure : public FitMeasure {
public:
    GdiFitMeasure(HDC dc, const LOGFONTA fonts[kFitRoles]);
    ~GdiFitMeasure();
    GdiFitMeasure(const GdiFitMeasure &) = delete;
    GdiFitMeasure &operator=(const GdiFitMeasure &) = delete;
    int char_width(int role, int height, unsigned ch) const override;
    int line_height(int role, int height) const override;
    // The role's font at the height, for drawing; the caller deletes it.
    HFONT create(int role, int height) const;

private:
    bool select(int role, int height) const;
    HDC dc_;
    LOGFONTA fonts_[kFitRoles];
    int base_[kFitRoles];
    mutable HFONT font_ = nullptr;
    mutable HGDIOBJ old_ = nullptr;
    mutable int role_ = -1, height_ = 0;
    mutable std::unordered_map<unsigned, int> widths_;  // of the selected font
};

// The layout of the player's texts: line breaking, the common font scale and the rows.
#include "screen_fit.h"
#include "reading.h"
#include <algorithm>
#include <stdlib.h>
#include <string.h>

namespace {

bool lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Bytes of the character at p (a lead byte without its trail counts alone).
int char_bytes(const char *p) { return lead_byte(static_cast<unsigned char>(p[0])) && p[1] ? 2 : 1; }

unsigned char_code(const char *p, int bytes) {
    const unsigned char *u = reinterpret_cast<const unsigned char *>(p);
    return bytes == 2 ? (u[0] << 8 | u[1]) : u[0];
}

bool word_char(unsigned ch) { return ch < 0x80 && ch != ' ' && ch != '\t'; }

// Punctuation that must not start a line: it hangs at the end of the line before.
bool no_line_start(unsigned ch) {
    static const unsigned kClosing[] = {0x8141, 0x8142, 0x8143, 0x8144, 0x8148, 0x8149, 0x815B, 0x8166, 0x8168,
                                        0x816A, 0x816C, 0x816E, 0x8170, 0x8172, 0x8174, 0x8176, 0x8178, 0x817A,
                                        0x829F, 0x82A1, 0x82A3, 0x82A5, 0x82A7, 0x82C1, 0x82E1, 0x82E3, 0x82E5,
                                        0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8362, 0x8383, 0x8385, 0x8387};
    if (ch == ',' || ch == '.' || ch == ')' || ch == '!' || ch == '?') return true;
    for (unsigned c : kClosing)
        if (c == ch) return true;
    return false;
}

struct Heights {
    int h[kFitRoles];
};

}  // namespace

std::string break_lines(const char *text, int role, int height, int width, const FitMeasure &measure, int *lines,
                        int *widest, std::vector<std::pair<size_t, size_t>> *ranges) {
    std::string out;
    if (ranges) ranges->clear();
    int count = 0, most = 0;
    if (!text) text = "";
    const char *p = text;
    while (true) {
        // One line: characters while they fit, at least one.
        const char *start = p;
        int w = 0;
        const char *space_end = nullptr;  // just after the last blank of the line
        int w_at_space = 0;
        unsigned prev = 0;
        while (*p && *p != '\r' && *p != '\n') {
            int n = char_bytes(p);
            unsigned ch = char_code(p, n);
            int cw = measure.char_width(role, height, ch);
            if (w + cw > width && p > start && !no_line_start(ch)) {
                // A Latin word moves to the next line whole when the line has a blank before it.
                if (word_char(ch) && space_end && space_end < p && word_char(prev)) {
                    p = space_end;
                    w = w_at_space;
                }
                break;
            }
            w += cw;
            p += n;
            prev = ch;
            if (ch == ' ') {
                space_end = p;
                w_at_space = w - cw;
            }
        }
        const char *end = p;
        int drawn = w;
        // Blanks at a break are not carried to the next line.
        if (space_end == end && end > start && *p && *p != '\r' && *p != '\n') drawn = w_at_space;
        if (count) out += "\r\n";
        out.append(start, static_cast<size_t>(end - start));
        if (ranges) ranges->push_back({static_cast<size_t>(start - text), static_cast<size_t>(end - text)});
        ++count;
        most = std::max(most, drawn);
        if (!*p) break;
        if (*p == '\r' || *p == '\n') {
            if (*p == '\r' && p[1] == '\n') ++p;
            ++p;
        } else {
            while (*p == ' ') ++p;
        }
    }
    if (lines) *lines = count;
    if (widest) *widest = most;
    return out;
}

namespace {

int bytes_width(const std::string &s, size_t from, size_t to, int role, int height, const FitMeasure &m) {
    int w = 0;
    for (size_t i = from; i < to && i < s.size();) {
        const int n = char_bytes(s.c_str() + i);
        w += m.char_width(role, height, char_code(s.c_str() + i, n));
        i += static_cast<size_t>(n);
    }
    return w;
}

}  // namespace

FitBlock fit_block(const char *text, int role, int height, int width, const FitMeasure &m, int *lines, int *widest) {
    FitBlock b;
    std::vector<ReadingSpan> spans;
    const std::string plain = plain_text(text, &spans);
    std::vector<std::pair<size_t, size_t>> ranges;
    b.text = break_lines(plain.c_str(), role, height, width, m, lines, widest, &ranges);
    b.line_height = m.line_height(role, height);
    if (spans.empty()) return b;
    // Readings at half the base's size, in a band above every line so the lines stay even.
    b.ruby_height = std::max(1, height / 2);
    b.ruby_band = m.line_height(role, b.ruby_height);
    for (const ReadingSpan &s : spans) {
        for (size_t line = 0; line < ranges.size(); ++line) {
            if (s.start < ranges[line].first || s.start >= ranges[line].second) continue;
            const int x = bytes_width(plain, ranges[line].first, s.start, role, height, m);
            const int base = bytes_width(plain, s.start, std::min(s.end, ranges[line].second), role, height, m);
            const int over = bytes_width(s.reading, 0, s.reading.size(), role, b.ruby_height, m);
            b.ruby.push_back({static_cast<int>(line), x + (base - over) / 2, s.reading});
            break;
        }
    }
    return b;
}

namespace {

bool shown_text(const char *t) { return t && t[0]; }

// One try at one set of heights; fits says whether everything stayed inside.
ScreenFit lay_out(const FitInput &in, const FitMeasure &m, const Heights &h) {
    ScreenFit f = {};
    const RECT &r = in.client;
    const int w10 = r.right / 10, h10 = r.bottom / 10, h2 = 2 * h10;
    const int bottom_limit = r.bottom - h2 / 4;  // above the footer's band
    bool fits = true;
    for (int i = 0; i < kFitRoles; ++i) f.height[i] = h.h[i];

    // The big text: wrapped to its area, which grows downward when it needs to. On the result
    // screen it and the comment keep to one side of what must stay clear.
    RECT column = {w10, h2, r.right - w10, r.bottom};
    if (in.comment && !IsRectEmpty(&in.keep_clear)) keep_text_clear(&column, in.keep_clear);
    if (in.replay) {
        f.replay = replay_mark_rect(r, in.dpi);
        keep_text_clear(&column, f.replay);
    }
    const int main_width = std::max(1, static_cast<int>(column.right - column.left));
    int main_h = 0, lines = 0, widest = 0;
    if (shown_text(in.main)) {
        f.main_text = fit_block(in.main, kFitMain, h.h[kFitMain], main_width, m, &lines, &widest);
        main_h = lines * f.main_text.pitch();
        if (widest > main_width) fits = false;
    }
    // What lies below the big text starts at 60 % of the height, or lower under a long text,
    // or higher when that is what it takes to fit (never over the text).
    int lower_top = std::max(6 * h10, h2 + main_h + h10);
    int lowest_top = h2 + main_h + h10 / 2;
    // The answers' rows pass under the mark, never beside it.
    if (in.replay) {
        lowest_top = std::max(lowest_top, static_cast<int>(f.replay.bottom) + h10 / 4);
        lower_top = std::max(lower_top, lowest_top);
    }

    // The answers' column: slot i on row i, every row as high as the highest.
    int line_h = m.line_height(kFitAnswer, h.h[kFitAnswer]);
    const int left = static_cast<int>(1.5 * w10);
    const int badge = in.numbered ? std::max(line_h, MulDiv(kFitBadgeTenthsMm, in.dpi, 254)) : 0;
    const int text_left = left + (in.numbered ? badge + line_h / 2 : 0);
    const int wrap = std::max(1, static_cast<int>(r.right - w10 - text_left));
    int tallest = 0, right_most = text_left, last = -1;
    for (int i = 0; i < kFitBackSlot; ++i) {
        if (!shown_text(in.choice[i])) continue;
        f.shown |= 1u << i;
        last = i;
        FitBlock &b = f.choice_text[i];
        b = fit_block(in.choice[i], kFitAnswer, h.h[kFitAnswer], wrap, m, &lines, &widest);
        if (lines > kFitMaxAnswerLines || widest > wrap) {
            fits = false;
            // Cut at two lines: a third would run into the next row.
            size_t cut = 0;
            for (int n = 0; n < kFitMaxAnswerLines && cut != std::string::npos; ++n)
                cut = b.text.find("\r\n", cut ? cut + 2 : 0);
            if (cut != std::string::npos) b.text.resize(cut);
            lines = std::min(lines, static_cast<int>(kFitMaxAnswerLines));
            b.ruby.erase(std::remove_if(b.ruby.begin(), b.ruby.end(), [&](const FitRuby &r) { return r.line >= lines; }),
                         b.ruby.end());
        }
        f.box[i] = {text_left, 0, std::min(widest, wrap), lines * b.pitch()};
        tallest = std::max(tallest, f.box[i].height);
        right_most = std::max(right_most, text_left + f.box[i].width);
    }
    const int content = std::max(tallest, badge);
    const double pitch = std::max(content + 0.5 * line_h, static_cast<double>(MulDiv(kFitRowTenthsMm, in.dpi, 254)));
    auto row_top = [&](int i) { return lower_top + static_cast<int>(i * pitch); };
    if (last >= 0 && row_top(last) + content > bottom_limit)
        lower_top = std::max(lowest_top, bottom_limit - content - static_cast<int>(last * pitch));
    for (int i = 0; i < kFitBackSlot; ++i) {
        if (!(f.shown & (1u << i))) continue;
        // Centred on its row, clear of the keyboard's frame at the row's edges.
        const int band = row_top(i + 1) - row_top(i);
        f.box[i].y = row_top(i) + (band - f.box[i].height) / 2;
        f.hit[i] = {left, row_top(i), right_most, row_top(i + 1)};
        if (in.numbered) {
            int top = row_top(i) + (band - badge) / 2;
            f.badge[i] = {left, top, left + badge, top + badge};
        }
    }
    if (last >= 0 && row_top(last) + content > bottom_limit) fits = false;

    // "戻る" at the lower right, a finger's margin around it.
    int back_top = bottom_limit;
    if (shown_text(in.choice[kFitBackSlot])) {
        f.shown |= 1u << kFitBackSlot;
        f.choice_text[kFitBackSlot].text = in.choice[kFitBackSlot];
        f.choice_text[kFitBackSlot].line_height = line_h;
        int w = 0;
        for (const char *p = in.choice[kFitBackSlot]; *p;) {
            int n = char_bytes(p);
            w += m.char_width(kFitAnswer, h.h[kFitAnswer], char_code(p, n));
            p += n;
        }
        FitBox &b = f.box[kFitBackSlot];
        b = {r.right - w - w10, r.bottom - h2 - line_h, w, line_h};
        int margin = b.height / 4;
        f.hit[kFitBackSlot] = {b.x - margin, b.y - margin, b.x + b.width + margin, b.y + b.height + margin};
        back_top = b.y - margin;
        if (b.x < 0 || b.y < lowest_top) fits = false;
    }

    // The comment below the title, above "戻る".
    if (in.comment) {
        const int width = main_width;
        int comment_h = 0;
        if (in.comment[0]) {
            f.comment_text = fit_block(in.comment, kFitComment, h.h[kFitComment], width, m, &lines, &widest);
            comment_h = lines * f.comment_text.pitch();
            if (widest > width) fits = false;
        }
        if (lower_top + comment_h > back_top) lower_top = std::max(lowest_top, back_top - comment_h);
        f.comment = {column.left, lower_top, column.right, std::max(static_cast<int>(r.bottom - h2), lower_top + comment_h)};
        if (lower_top + comment_h > back_top) fits = false;
    } else if (h2 + main_h > bottom_limit) {
        fits = false;
    }
    f.main = {column.left, h2, column.right, std::min(std::max(5 * h10, h2 + main_h), lower_top)};
    f.fits = fits;
    return f;
}

}  // namespace

RECT replay_mark_rect(const RECT &client, int dpi) {
    const int h = MulDiv(kFitReplayTenthsMm, dpi, 254);
    const int w = 7 * h / 2;
    const int right = client.right - h / 4;
    const int top = 2 * (client.bottom / 10);
    return {std::max(0, right - w), top, right, top + h};
}

void keep_text_clear(RECT *area, const RECT &square) {
    RECT meet;
    if (!IntersectRect(&meet, area, &square)) return;
    const int gap = (square.right - square.left) / 16;
    if (square.left - area->left >= area->right - square.right) area->right = square.left - gap;
    else area->left = square.right + gap;
    if (area->right < area->left) area->right = area->left;
}

ScreenFit fit_screen(const FitInput &in, const FitMeasure &m) {
    const int floor = MulDiv(kFitFloorTenthsMm, in.dpi, 254);
    ScreenFit f = {};
    for (int percent = 100; percent > 0; percent -= kFitStepPercent) {
        Heights h;
        bool shrank = false;
        for (int i = 0; i < kFitRoles; ++i) {
            // A font already smaller than the floor keeps its own size.
            int scaled = MulDiv(in.height[i], percent, 100);
            h.h[i] = std::max(scaled, std::min(in.height[i], floor));
            shrank |= percent == 100 || h.h[i] != f.height[i];
        }
        if (!shrank) {
            f.floor_reached = true;
            return f;
        }
        f = lay_out(in, m, h);
        f.percent = percent;
        if (f.fits) return f;
    }
    f.floor_reached = true;
    return f;
}

GdiFitMeasure::GdiFitMeasure(HDC dc, const LOGFONTA fonts[kFitRoles]) : dc_(dc) {
    for (int i = 0; i < kFitRoles; ++i) {
        fonts_[i] = fonts[i];
        base_[i] = abs(fonts[i].lfHeight);
    }
}

GdiFitMeasure::~GdiFitMeasure() {
    if (old_) SelectObject(dc_, old_);
    if (font_) DeleteObject(font_);
}

HFONT GdiFitMeasure::create(int role, int height) const {
    if (role < 0 || role >= kFitRoles) return nullptr;
    LOGFONTA lf = fonts_[role];
    if (base_[role]) {
        lf.lfWidth = MulDiv(lf.lfWidth, height, base_[role]);
        lf.lfHeight = lf.lfHeight < 0 ? -height : height;
    }
    return CreateFontIndirectA(&lf);
}

bool GdiFitMeasure::select(int role, int height) const {
    if (font_ && role == role_ && height == height_) return true;
    HFONT fresh = create(role, height);
    if (!fresh) return false;
    HGDIOBJ was = SelectObject(dc_, fresh);
    if (!was || was == HGDI_ERROR) {
        DeleteObject(fresh);
        return false;
    }
    if (font_) DeleteObject(font_);
    else old_ = was;
    font_ = fresh;
    role_ = role;
    height_ = height;
    widths_.clear();
    return true;
}

int GdiFitMeasure::char_width(int role, int height, unsigned ch) const {
    if (!select(role, height)) return height;
    auto known = widths_.find(ch);
    if (known != widths_.end()) return known->second;
    char text[2];
    int n = 0;
    if (ch > 0xFF) text[n++] = static_cast<char>(ch >> 8);
    text[n++] = static_cast<char>(ch & 0xFF);
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc_, text, n, &size);
    widths_[ch] = size.cx;
    return size.cx;
}

int GdiFitMeasure::line_height(int role, int height) const {
    TEXTMETRICA tm;
    if (!select(role, height) || !GetTextMetricsA(dc_, &tm)) return height;
    return tm.tmHeight;
}

// The reading notation: one pass over Shift-JIS text.
#include "reading.h"
#include <string.h>

namespace {

const unsigned kBar = 0x8162;    // ｜
const unsigned kOpen = 0x8173;   // 《
const unsigned kClose = 0x8174;  // 》
const unsigned kRepeat = 0x8158; // 々

bool lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
int char_bytes(const char *p) { return lead_byte(static_cast<unsigned char>(p[0])) && p[1] ? 2 : 1; }
unsigned char_at(const char *p) {
    const unsigned char *u = reinterpret_cast<const unsigned char *>(p);
    return char_bytes(p) == 2 ? (u[0] << 8 | u[1]) : u[0];
}
// Kanji of JIS levels 1 and 2 and the extensions after them.
bool kanji(unsigned ch) { return ch == kRepeat || (ch >= 0x889F && ch <= 0x9FFC) || (ch >= 0xE040 && ch <= 0xFCFC); }

}  // namespace

std::string plain_text(const char *text, std::vector<ReadingSpan> *spans) {
    std::string out;
    if (spans) spans->clear();
    if (!text) return out;
    // Where the base text of a reading begins: a ｜ written (its place in out) or the kanji run.
    size_t bar = std::string::npos, kanji_start = std::string::npos;
    for (const char *p = text; *p;) {
        const int n = char_bytes(p);
        const unsigned ch = char_at(p);
        if (*p == '\r' || *p == '\n') bar = kanji_start = std::string::npos;
        if (ch == kBar && char_at(p + n) == kOpen) {  // ｜《: a 《 of its own
            out.append(p + n, 2);
            p += n + 2;
            bar = kanji_start = std::string::npos;
            continue;
        }
        if (ch == kBar) {
            bar = out.size();
            kanji_start = std::string::npos;
            out.append(p, static_cast<size_t>(n));  // taken out again when a reading follows
            p += n;
            continue;
        }
        if (ch == kOpen) {
            // The reading runs to 》 on the same line.
            const char *r = p + n;
            while (*r && *r != '\r' && *r != '\n' && char_at(r) != kClose) r += char_bytes(r);
            const size_t base = bar != std::string::npos ? bar + 2 : kanji_start;
            if (char_at(r) == kClose && r > p + n && base != std::string::npos && base < out.size()) {
                if (bar != std::string::npos) out.erase(bar, 2);
                const size_t start = bar != std::string::npos ? bar : base;
                if (spans) spans->push_back({start, out.size(), std::string(p + n, r)});
                p = r + 2;
                bar = kanji_start = std::string::npos;
                continue;
            }
        }
        if (kanji(ch)) {
            if (kanji_start == std::string::npos) kanji_start = out.size();
        } else {
            kanji_start = std::string::npos;
        }
        out.append(p, static_cast<size_t>(n));
        p += n;
    }
    return out;
}

// Placeholder filling, the visit code and the QR symbol of a result.
#include "qr_text.h"
#include "Other.h"
#include <stdio.h>
#include <string.h>
#include <string>
extern "C" {
#include <qrcodegen.h>
}

namespace {

const char kCodeAlphabet[] = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";  // 32 characters
const UINT kFileCodePage = 932;

// A code page text as UTF-8 into out; false when it is not text of the code page or does not fit.
bool to_utf8(const char *text, std::string *out) {
    out->clear();
    if (!text[0]) return true;
    int wide = MultiByteToWideChar(kFileCodePage, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (wide <= 0) return false;
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(kFileCodePage, MB_ERR_INVALID_CHARS, text, -1, &w[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    out->assign(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &(*out)[0], bytes, nullptr, nullptr);
    out->resize(static_cast<size_t>(bytes) - 1);
    return true;
}

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

// Appends UTF-8 bytes: in a web address a value keeps only unreserved characters, the author's own
// text keeps printable ASCII; the rest becomes %XX.
void append(std::string *out, const std::string &utf8, bool address, bool value) {
    for (unsigned char c : utf8) {
        bool keep = !address || (value ? unreserved(c) : (c > 0x20 && c < 0x7F));
        if (keep) {
            out->push_back(static_cast<char>(c));
        } else {
            char hex[4];
            snprintf(hex, sizeof hex, "%%%02X", c);
            out->append(hex);
        }
    }
}

bool starts_nocase(const char *text, const char *prefix) {
    for (; *prefix; ++text, ++prefix) {
        char c = *text >= 'A' && *text <= 'Z' ? static_cast<char>(*text + 32) : *text;
        if (c != *prefix) return false;
    }
    return true;
}

bool lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

int fill_qr_text(const char *pattern, const QrValues &v, char *out, size_t size, size_t *where) {
    static const char *const kNames[] = {"{title}", "{total}", "{date}", "{kiosk}", "{code}"};
    const bool address = starts_nocase(pattern, "http://") || starts_nocase(pattern, "https://");
    std::string filled, piece;
    size_t at = 0;
    int result = kQrFillOk;
    const char *p = pattern;
    while (*p && result == kQrFillOk) {
        at = static_cast<size_t>(p - pattern);
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7F) {
            result = kQrFillControl;
        } else if (c == '{' && p[1] == '{') {
            filled.push_back('{');
            p += 2;
        } else if (c == '{') {
            int name = -1;
            for (int k = 0; k < 5 && name < 0; ++k)
                if (!strncmp(p, kNames[k], strlen(kNames[k]))) name = k;
            if (name < 0) {
                result = kQrFillUnknown;
                break;
            }
            p += strlen(kNames[name]);
            char number[32];
            const char *text = number;
            if (name == 0) text = v.title ? v.title : "";
            else if (name == 1) snprintf(number, sizeof number, "%ld", static_cast<long>(v.total));
            else if (name == 2) snprintf(number, sizeof number, "%04u-%02u-%02u", v.date.wYear, v.date.wMonth, v.date.wDay);
            else if (name == 3) text = v.kiosk ? v.kiosk : "";
            else text = v.code ? v.code : "";
            // A title may hold a line break: in a code it becomes a blank.
            std::string flat(text);
            for (char &ch : flat)
                if (static_cast<unsigned char>(ch) < 0x20) ch = ' ';
            if (!to_utf8(flat.c_str(), &piece)) result = kQrFillBadText;
            else append(&filled, piece, address, true);
        } else {
            size_t n = lead_byte(c) && p[1] ? 2 : 1;
            std::string one(p, n);
            if (!to_utf8(one.c_str(), &piece)) result = kQrFillBadText;
            else append(&filled, piece, address, false);
            p += n;
        }
    }
    if (result == kQrFillOk && filled.size() + 1 > size) result = kQrFillTooLong;
    if (where) *where = result == kQrFillOk ? 0 : at;
    if (size) {
        if (result == kQrFillOk) memcpy(out, filled.c_str(), filled.size() + 1);
        else out[0] = '\0';
    }
    return result;
}

void qr_fill_message(int result, const char *pattern, size_t where, char *out, size_t size) {
    if (!size) return;
    out[0] = '\0';
    if (result == kQrFillOk) return;
    char around[24] = {0};
    size_t n = strlen(pattern + where);
    n = n < 12 ? n : 12;
    // Whole characters only: a cut lead byte would show as garbage.
    size_t k = 0;
    while (k < n) {
        size_t step = lead_byte(static_cast<unsigned char>(pattern[where + k])) ? 2 : 1;
        if (k + step > n) break;
        k += step;
    }
    memcpy(around, pattern + where, k);
    const char *why = result == kQrFillUnknown   ? "知らない差し込み名です。使えるのは {title} {total} {date} {kiosk} {code} で、{ そのものは {{ と書きます"
                      : result == kQrFillControl ? "改行やタブは QR コードの文字に使えません"
                      : result == kQrFillTooLong ? "差し込んだ後の文字が長すぎます"
                                                 : "文字として読めないバイトがあります";
    snprintf(out, size, "QRコードの文字の %u バイト目（「%s」）: %s", static_cast<unsigned>(where + 1), around, why);
}

bool QrSymbol::dark(int x, int y) const { return qrcodegen_getModule(data, x, y); }

bool build_qr(const char *utf8, QrSymbol *symbol) {
    uint8_t temp[qrcodegen_BUFFER_LEN_MAX];
    symbol->size = 0;
    if (!qrcodegen_encodeText(utf8, temp, symbol->data, qrcodegen_Ecc_MEDIUM, qrcodegen_VERSION_MIN, kQrMaxVersion,
                              qrcodegen_Mask_AUTO, true))
        return false;
    symbol->size = qrcodegen_getSize(symbol->data);
    return true;
}

int qr_capacity_bytes() {
    // Version 10 at level M holds 213 bytes in byte mode.
    return 213;
}

uint32_t next_visit_number(uint32_t previous, const SYSTEMTIME &now) {
    uint32_t seconds = now.wHour * 3600u + now.wMinute * 60u + now.wSecond;
    return previous + 1 > seconds ? previous + 1 : seconds;
}

void format_visit_code(uint32_t number, char out[kVisitCodeSize]) {
    // 32^4 codes: far more than the seconds of a day plus the visits one kiosk can take.
    for (int i = 3; i >= 0; --i) {
        out[i] = kCodeAlphabet[number % 32];
        number /= 32;
    }
    out[4] = '\0';
}

void read_qr_place(const char *value, int32_t *x, int32_t *y, int32_t *size) {
    int32_t *const out[3] = {x, y, size};
    const char *rest = value;
    for (int32_t *o : out) {
        char field[16] = {0};
        rest = rest ? take_field(rest, field, sizeof field) : nullptr;
        int32_t v = field_number(field);
        *o = v > 0 ? v : 0;
    }
}

// Kiosk status files: written by each player into the shared log folder, read by any player's
// 「キオスクの状態」 window. A file is only ever read as text: it may come from another program,
// a newer version, a cut copy or someone hostile.
#include "kiosk_status.h"
#include "BrixLib.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>

namespace {

const char kMagic[] = "ZelmicaStatus ";
const char kPattern[] = "zelmica-status-*.txt";
enum { kMaxFileBytes = 16 * 1024 };

// A value as the file may hold it: one line, no control characters, bounded.
std::string clean(const std::string &v) {
    std::string out;
    for (unsigned char c : v) {
        if (out.size() + 1 >= kStatusValueSize) break;
        out += c < 0x20 || c == 0x7f ? ' ' : static_cast<char>(c);
    }
    return out;
}

int number(const std::string &v, int high) {
    char *end = nullptr;
    long n = strtol(v.c_str(), &end, 10);
    if (end == v.c_str() || n < 0) return 0;
    return n > high ? high : static_cast<int>(n);
}

void utc_text(uint64_t ticks, char *out, size_t size) {
    FILETIME ft = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME t = {};
    FileTimeToSystemTime(&ft, &t);
    snprintf(out, size, "%04u%02u%02uT%02u%02u%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

uint64_t parse_utc(const std::string &v) {
    unsigned y, mo, d, h, mi, s;
    char z = 0;
    if (v.size() != 16 || sscanf(v.c_str(), "%4u%2u%2uT%2u%2u%2u%c", &y, &mo, &d, &h, &mi, &s, &z) != 7 || z != 'Z')
        return 0;
    SYSTEMTIME t = {static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d), static_cast<WORD>(h),
                    static_cast<WORD>(mi), static_cast<WORD>(s), 0};
    FILETIME ft;
    if (!SystemTimeToFileTime(&t, &ft)) return 0;
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

bool same_name(const std::string &a, const std::string &b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

}  // namespace

uint64_t utc_now_ticks() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::string kiosk_status_text(const KioskStatus &s) {
    char utc[32] = "";
    if (s.written_utc) utc_text(s.written_utc, utc, sizeof utc);
    std::string t = std::string(kMagic) + std::to_string(kStatusFormat) + "\r\n";
    auto put = [&t](const char *key, const std::string &v) { t += std::string(key) + "=" + clean(v) + "\r\n"; };
    put("Kiosk", s.kiosk);
    put("Computer", s.computer);
    put("Version", s.version);
    put("SetFile", s.set_file);
    put("SetTime", s.set_time);
    put("SetVersion", s.set_version);
    put("UpdateProblem", s.update_problem);
    put("UpdateWaiting", s.update_waiting);
    put("VisitorsToday", std::to_string(s.visitors_today));
    put("LastVisit", s.last_visit);
    put("Waiting", std::to_string(s.waiting));
    put("RestartsToday", std::to_string(s.restarts_today));
    put("LastError", s.last_error);
    put("FullScreen", s.full_screen ? "1" : "0");
    put("Down", s.down ? "1" : "0");
    put("Interval", std::to_string(s.interval));
    put("Date", s.date);
    put("Written", s.written);
    put("WrittenUtc", utc);
    return t + "End=1\r\n";
}

bool parse_kiosk_status(const std::string &bytes, KioskStatus *out, bool *truncated, bool *newer) {
    *out = KioskStatus();
    *truncated = true;
    *newer = false;
    const size_t magic = sizeof kMagic - 1;
    if (bytes.compare(0, magic, kMagic) != 0) return false;
    size_t at = bytes.find('\n');
    if (at == std::string::npos) return false;
    int format = number(bytes.substr(magic, at - magic), 1000000);
    if (format < 1) return false;
    *newer = format > kStatusFormat;
    for (++at; at < bytes.size();) {
        size_t eol = bytes.find('\n', at);
        if (eol == std::string::npos) break;  // a line cut short is not trusted
        std::string line = bytes.substr(at, eol - at);
        at = eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), v = clean(line.substr(eq + 1));
        if (same_name(key, "Kiosk")) out->kiosk = v;
        else if (same_name(key, "Computer")) out->computer = v;
        else if (same_name(key, "Version")) out->version = v;
        else if (same_name(key, "SetFile")) out->set_file = v;
        else if (same_name(key, "SetTime")) out->set_time = v;
        else if (same_name(key, "SetVersion")) out->set_version = v;
        else if (same_name(key, "UpdateProblem")) out->update_problem = v;
        else if (same_name(key, "UpdateWaiting")) out->update_waiting = v;
        else if (same_name(key, "VisitorsToday")) out->visitors_today = number(v, 100000000);
        else if (same_name(key, "LastVisit")) out->last_visit = v;
        else if (same_name(key, "Waiting")) out->waiting = number(v, 100000000);
        else if (same_name(key, "RestartsToday")) out->restarts_today = number(v, 100000);
        else if (same_name(key, "LastError")) out->last_error = v;
        else if (same_name(key, "FullScreen")) out->full_screen = v == "1";
        else if (same_name(key, "Down")) out->down = v == "1";
        else if (same_name(key, "Interval")) out->interval = std::max(1, number(v, 86400));
        else if (same_name(key, "Date")) out->date = v;
        else if (same_name(key, "Written")) out->written = v;
        else if (same_name(key, "WrittenUtc")) out->written_utc = parse_utc(v);
        else if (same_name(key, "End") && v == "1") *truncated = false;
    }
    return true;
}

std::string kiosk_status_name(const std::string &kiosk, const std::string &computer) {
    return "zelmica-status-" + kiosk + "-" + computer + ".txt";
}

bool write_kiosk_status(const char *folder, const KioskStatus &s) {
    const std::string path = std::string(folder) + kiosk_status_name(s.kiosk, s.computer);
    char temporary[kPathSize];
    if (path.size() >= kPathSize || !temporary_beside(path.c_str(), temporary)) return false;
    const std::string text = kiosk_status_text(s);
    HANDLE h = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    bool ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr) && n == text.size();
    CloseHandle(h);
    // A reader sees the old file or the new one whole, never half of one.
    if (ok) ok = MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok) DeleteFileA(temporary);
    return ok;
}

std::vector<KioskStatusRead> read_kiosk_statuses(const char *folder, uint64_t now_utc) {
    std::vector<KioskStatusRead> out;
    WIN32_FIND_DATAA d;
    HANDLE find = FindFirstFileA((std::string(folder) + kPattern).c_str(), &d);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        KioskStatusRead r;
        r.file = std::string(folder) + d.cFileName;
        HANDLE h = CreateFileA(r.file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        std::string bytes(kMaxFileBytes, '\0');
        DWORD n = 0;
        if (!ReadFile(h, &bytes[0], kMaxFileBytes, &n, nullptr)) n = 0;
        CloseHandle(h);
        bytes.resize(n);
        if (!parse_kiosk_status(bytes, &r.status, &r.truncated, &r.newer)) continue;
        // A file without its own time falls back on the folder's.
        uint64_t written = r.status.written_utc
                               ? r.status.written_utc
                               : (static_cast<uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime;
        r.age_seconds = now_utc > written ? static_cast<int64_t>((now_utc - written) / 10000000) : 0;
        r.silent = r.age_seconds > 3 * static_cast<int64_t>(r.status.interval);
        if (r.status.kiosk.empty()) r.status.kiosk = "?";
        out.push_back(r);
    } while (FindNextFileA(find, &d));
    FindClose(find);
    std::sort(out.begin(), out.end(), [](const KioskStatusRead &a, const KioskStatusRead &b) {
        int c = lstrcmpiA(a.status.kiosk.c_str(), b.status.kiosk.c_str());
        return c ? c < 0 : a.status.computer < b.status.computer;
    });
    // One name on two computers, both still writing: the logs of the two would mix.
    for (size_t i = 0; i < out.size(); ++i)
        for (size_t j = i + 1; j < out.size() && same_name(out[i].status.kiosk, out[j].status.kiosk); ++j)
            if (!out[i].silent && !out[j].silent && !same_name(out[i].status.computer, out[j].status.computer))
                out[i].duplicate = out[j].duplicate = true;
    return out;
}

std::string last_seen_text(int64_t age_seconds) {
    if (age_seconds < 0) return "最終確認 不明";
    return "最終確認 " + std::to_string(age_seconds / 60) + " 分前";
}

std::string kiosk_status_notes(const KioskStatusRead &r) {
    std::string n;
    auto add = [&n](const std::string &t) { n += (n.empty() ? "" : "、") + t; };
    if (r.status.down) add("止まったまま");
    if (r.silent) add("応答なし");
    if (r.duplicate) add("同じキオスク名が別のパソコンにもあります");
    if (r.status.waiting > 0) add("ログ待ち " + std::to_string(r.status.waiting) + " 行");
    if (!r.status.last_error.empty()) add(r.status.last_error);
    if (!r.status.update_problem.empty()) add("セットを更新できません: " + r.status.update_problem);
    if (!r.status.update_waiting.empty()) add("次の来場者から新しいセット " + r.status.update_waiting);
    if (r.truncated) add("状態ファイルが途中で切れています");
    if (r.newer) add("新しい版の状態ファイル");
    return n;
}

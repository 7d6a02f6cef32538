// The 配布フォルダー: looks at the share on a thread of its own, copies a settled change into a
// local folder, checks the copy, and puts it into effect between two visitors.
#include "set_distribution.h"
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>
#include "BrixLib.h"
#include "RowOfFile.h"
#include "SetManager_private.h"
#include "file_bundle.h"
#include "imemory.h"
#include "kiosk_report.h"
#include "mainflame.h"
#include "message_box.h"
#include "QuesManager.h"
#include "question_codec.h"
#include "result_log.h"
#include "visit_log.h"

namespace {

const char kRecordMagic[] = "ZelmicaDist ";
const char kRecordName[] = "current.txt";
const char kCopyPrefix[] = "set-";
const char kTemporaryPrefix[] = "~new-";
// A set or question file is text of a few kilobytes; anything this big is not one.
enum { kTextMaxBytes = 8 << 20 };

bool same_text(const std::string &a, const std::string &b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// The system's words for an error, on one line: the status file holds one line per key.
std::string system_text(DWORD code) {
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text, nullptr);
    std::string t = text;
    const std::string stop = "。";
    for (bool cut = true; cut;) {
        cut = false;
        while (!t.empty() && strchr("\r\n \t.", t.back())) t.pop_back(), cut = true;
        if (t.size() >= stop.size() && t.compare(t.size() - stop.size(), stop.size(), stop) == 0) t.resize(t.size() - stop.size()), cut = true;
    }
    return "（" + (t.empty() ? "エラー " + std::to_string(code) : t) + "）";
}

std::string with_backslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

// The folder part of a name inside the 配布フォルダー, with its backslash ("" at the top).
std::string folder_of(const std::string &name) {
    size_t cut = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        if (is_sjis_lead(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) ++i;
        else if (name[i] == '\\') cut = i + 1;
    }
    return name.substr(0, cut);
}

uint64_t ticks_of(const FILETIME &t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

bool stat_file(const std::string &path, DistFile *f) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) || (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    f->size = (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    f->time = ticks_of(d.ftLastWriteTime);
    return true;
}

// The whole file, read without a box: this runs where nobody can answer one.
bool read_bytes(const std::string &path, std::string *bytes, DWORD *error) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return false;
    }
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart <= kTextMaxBytes;
    if (ok) {
        bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
        DWORD got = 0;
        ok = bytes->empty() || (ReadFile(h, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &got, nullptr) && got == bytes->size());
    }
    *error = ok ? 0 : GetLastError();
    CloseHandle(h);
    return ok;
}

// The lines of a set or question file, when it is whole: a file still being written (or cut by
// a copy that failed) lacks its last line end or holds the zeros a copy reserves ahead.
bool whole_lines(const std::string &base, const std::string &name, std::vector<std::string> *lines, std::string *problem) {
    std::string bytes;
    DWORD error = 0;
    if (!read_bytes(base + name, &bytes, &error)) {
        *problem = "「" + name + "」を読めません" + (error ? system_text(error) : std::string()) + "。";
        return false;
    }
    if (bytes.empty() || bytes.back() != '\n' || bytes.find('\0') != std::string::npos) {
        *problem = "「" + name + "」が途中で切れています（書き込み中か、コピーに失敗したファイル）。";
        return false;
    }
    if (looks_like_utf8(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size())) {
        size_t n = 0;
        char *sjis = shift_jis_from_utf8(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), &n);
        if (!sjis) {
            *problem = "「" + name + "」を読めません（メモリー不足）。";
            return false;
        }
        bytes.assign(sjis, n);
        I_HEAP_FREE(sjis);
    }
    lines->clear();
    for (size_t at = 0; at < bytes.size();) {
        size_t eol = bytes.find('\n', at);
        if (eol == std::string::npos) eol = bytes.size();
        std::string line = bytes.substr(at, eol - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines->push_back(line);
        at = eol + 1;
    }
    return true;
}

// Field n of a line (commas apart; no second byte of a double-byte character is a comma).
std::string field_of(const std::string &line, int n) {
    size_t start = 0;
    for (int i = 0; i < n; ++i) {
        size_t comma = line.find(',', start);
        if (comma == std::string::npos) return std::string();
        start = comma + 1;
    }
    return line.substr(start, line.find(',', start) - start);
}

bool add_name(std::vector<std::string> *names, const std::string &name) {
    for (const std::string &n : *names)
        if (same_text(n, name)) return false;
    names->push_back(name);
    return true;
}

// The set and every file it and its question files name, each a name inside base; false with the
// reason when one leaves the folder, a text is not whole, or the set names no question file.
bool gather_names(const std::string &base, const std::string &set_name, std::vector<std::string> *names, std::string *problem) {
    names->assign(1, set_name);
    std::vector<std::string> lines;
    if (!whole_lines(base, set_name, &lines, problem)) return false;
    auto take = [&](const std::string &naming, const std::string &value, std::string *inside) {
        if (dist_name_inside(value, folder_of(naming), inside)) return true;
        *problem = "「" + naming + "」が配布フォルダーの外のファイル「" + value +
                   "」を指しています。配布フォルダーの中に置き、セットからの相対パスで指定してください。";
        return false;
    };
    int question_files = 0;
    for (const std::string &line : lines) {
        bool question_file = false;
        const int field = set_path_field(line.c_str(), &question_file);
        const std::string value = field > 0 ? field_of(line, field) : std::string();
        if (value.empty()) continue;
        std::string inside;
        if (!take(set_name, value, &inside)) return false;
        if (!add_name(names, inside) || !question_file) continue;
        ++question_files;
        std::vector<std::string> rows;
        if (!whole_lines(base, inside, &rows, problem)) return false;
        int questions = 0, results = 0;
        for (const std::string &row : rows) {
            const char *rest = nullptr;
            const int key = question_line_key(row.c_str(), &rest);
            questions += key == kKeyQuestion;
            results += key == kKeyResult;
            const int f = question_path_field(row.c_str());
            const std::string named = f > 0 ? field_of(row, f) : std::string();
            if (named.empty()) continue;
            std::string in;
            if (!take(inside, named, &in)) return false;
            add_name(names, in);
        }
        if (!questions || !results) {
            *problem = "「" + inside + "」に設問か結果がありません（問題ファイルではないか、途中で切れています）。";
            return false;
        }
    }
    if (!question_files) {
        *problem = "「" + set_name + "」に問題ファイルがありません。";
        return false;
    }
    return true;
}

bool stat_names(const std::string &base, const std::vector<std::string> &names, DistFiles *files, std::string *problem) {
    files->clear();
    for (const std::string &n : names) {
        DistFile f;
        f.name = n;
        if (!stat_file(base + n, &f)) {
            if (problem) *problem = "配布フォルダーに「" + n + "」がありません。";
            return false;
        }
        files->push_back(f);
    }
    return true;
}

// Which set of the folder is the kiosk's: the one of its own name, else the only one there.
bool find_set(const std::string &base, const std::string &preferred, std::string *name, std::string *problem) {
    const std::string shown = base.substr(0, base.size() - 1);
    DWORD a = GetFileAttributesA(shown.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) {
        const DWORD error = a == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
        *problem = "配布フォルダー「" + shown + "」に届きません" + system_text(error) + "。いまのセットで続けます。";
        return false;
    }
    DistFile f;
    if (!preferred.empty() && stat_file(base + preferred, &f)) {
        *name = preferred;
        return true;
    }
    std::vector<std::string> sets;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((base + "*.set").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            // "~" names are the set editor's saves under way.
            if (!(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && d.cFileName[0] != '~' &&
                same_text(path_extension(d.cFileName) ? path_extension(d.cFileName) : "", "set"))
                sets.push_back(d.cFileName);
        } while (FindNextFileA(h, &d));
        FindClose(h);
    }
    if (sets.size() == 1) {
        *name = sets[0];
        return true;
    }
    *problem = sets.empty() ? "配布フォルダー「" + shown + "」にセット（*.set）がありません。"
                            : "配布フォルダー「" + shown + "」にセットが複数あり、「" + preferred + "」がありません。";
    return false;
}

// Folders for every level of name below root.
void make_folders(const std::string &root, const std::string &name) {
    for (size_t i = 0; i < name.size(); ++i) {
        if (is_sjis_lead(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) ++i;
        else if (name[i] == '\\') CreateDirectoryA((root + name.substr(0, i)).c_str(), nullptr);
    }
}

// FNV-1a over every file's name, size and bytes: the copy's identity.
bool hash_files(const std::string &base, const std::vector<std::string> &names, std::string *hex) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void *p, size_t n) {
        for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<const unsigned char *>(p)[i]) * 1099511628211ull;
    };
    std::vector<char> buffer(64 * 1024);
    for (const std::string &n : names) {
        char lower[kPathSize];
        copy_cut(lower, sizeof lower, n.c_str());
        CharLowerA(lower);
        mix(lower, strlen(lower) + 1);
        HANDLE f = CreateFileA((base + n).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        DWORD got = 0;
        bool ok = true;
        while ((ok = ReadFile(f, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) != 0) && got) mix(buffer.data(), got);
        CloseHandle(f);
        if (!ok) return false;
    }
    char text[17];
    snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    *hex = text;
    return true;
}

std::string version_text(uint64_t time, const std::string &hash) {
    FILETIME utc = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)}, local;
    SYSTEMTIME t = {};
    char text[64] = "";
    if (FileTimeToLocalFileTime(&utc, &local) && FileTimeToSystemTime(&local, &t))
        snprintf(text, sizeof text, "%02u/%02u %02u:%02u ", t.wMonth, t.wDay, t.wHour, t.wMinute);
    return text + ("#" + hash.substr(0, 8));
}

// Copies a look left half made (a kiosk switched off meanwhile) and copies no longer wanted, in
// this kiosk's own folder only: another player on the PC keeps its copies in a folder of its own.
void clear_old_copies(const std::string &local_root, const DistMemory &memory) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((local_root + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string n = d.cFileName;
        if (!(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        const bool temporary = n.compare(0, strlen(kTemporaryPrefix), kTemporaryPrefix) == 0;
        const bool old = n.compare(0, strlen(kCopyPrefix), kCopyPrefix) == 0 && !same_text(n, kCopyPrefix + memory.hash) &&
                         !same_text(n, kCopyPrefix + memory.in_effect);
        if (temporary || old) remove_tree(local_root + n);
    } while (FindNextFileA(h, &d));
    FindClose(h);
}

}  // namespace

std::string dist_kiosk_folder(const std::string &kiosk) {
    if (!kiosk_name_valid(kiosk.c_str())) return "KIOSK";
    // A device name opens the device, whatever follows its first dot.
    std::string base = kiosk.substr(0, kiosk.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char *const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    bool device = false;
    for (const char *n : kDevices) device = device || same_text(base, n);
    if (base.size() == 4 && (_strnicmp(base.c_str(), "COM", 3) == 0 || _strnicmp(base.c_str(), "LPT", 3) == 0))
        device = device || (base[3] >= '0' && base[3] <= '9');
    return device ? "_" + kiosk : kiosk;
}

bool dist_name_inside(const std::string &value, const std::string &naming_dir, std::string *inside) {
    if (value.empty() || value.find(':') != std::string::npos || value[0] == '\\' || value[0] == '/') return false;
    std::string out = naming_dir, part;
    // Windows drops a name's trailing dots and blanks: "..." or ".. " would step up as ".." does.
    auto end_part = [&]() {
        const bool dots = part.find_first_not_of(". ") == std::string::npos;
        if (dots && !part.empty() && part != ".") return false;
        if (!dots) out += part + "\\";
        part.clear();
        return true;
    };
    for (size_t i = 0; i < value.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (is_sjis_lead(c) && i + 1 < value.size()) {
            part += value.substr(i++, 2);
        } else if (c == '\\' || c == '/') {
            if (!end_part()) return false;
        } else {
            part += static_cast<char>(c);
        }
    }
    // The last part names the file itself.
    if (part.find_first_not_of(". ") == std::string::npos || !end_part()) return false;
    out.pop_back();
    *inside = out;
    return true;
}

DistLook look_at_distribution(const std::string &folder, const std::string &set_name, const std::string &local_root,
                              DistMemory *memory) {
    DistLook look;
    const std::string base = with_backslash(folder);
    clear_old_copies(local_root, *memory);
    std::string name;
    if (!find_set(base, set_name, &name, &look.problem)) {
        memory->settling.clear();
        return look;
    }
    // Every file of the copy verified last is as it was: one query per file, nothing read.
    DistFiles now;
    if (!memory->verified.empty() && same_text(memory->verified[0].name, name)) {
        std::vector<std::string> names;
        for (const DistFile &f : memory->verified) names.push_back(f.name);
        if (stat_names(base, names, &now, nullptr) && now == memory->verified) {
            memory->settling.clear();
            look.outcome = kDistUnchanged;
            return look;
        }
    }
    std::vector<std::string> names;
    if (!gather_names(base, name, &names, &look.problem) || !stat_names(base, names, &now, &look.problem)) {
        memory->settling.clear();
        return look;
    }
    if (now == memory->verified) {
        memory->settling.clear();
        look.outcome = kDistUnchanged;
        return look;
    }
    // A set still being written changes between two looks; only one seen twice the same is taken.
    if (!(now == memory->settling)) {
        memory->settling = now;
        look.outcome = kDistSettling;
        return look;
    }
    memory->settling.clear();
    char id[32];
    snprintf(id, sizeof id, "%lu-%lu", GetCurrentProcessId(), GetTickCount());
    const std::string temporary = local_root + kTemporaryPrefix + id + "\\";
    if (!CreateDirectoryA(temporary.c_str(), nullptr)) {
        look.problem = "新しいセットを置く「" + local_root + "」に書き込めません" + system_text(GetLastError()) + "。";
        return look;
    }
    auto fail = [&](const std::string &why) {
        remove_tree(temporary);
        look.problem = why;
        look.outcome = kDistProblem;
        return look;
    };
    for (const std::string &n : names) {
        make_folders(temporary, n);
        if (!CopyFileA((base + n).c_str(), (temporary + n).c_str(), FALSE))
            return fail("「" + n + "」をコピーできません" + system_text(GetLastError()) + "。");
    }
    // Written to while copied: taken at a later look.
    DistFiles after;
    if (!stat_names(base, names, &after, nullptr) || !(after == now)) {
        remove_tree(temporary);
        look.outcome = kDistSettling;
        return look;
    }
    // The copy as the player will read it: whole, inside, every file there and readable.
    std::vector<std::string> copied;
    std::string why, hash;
    if (!gather_names(temporary, name, &copied, &why) || copied != names) return fail("コピーを確かめられません: " + why);
    if (!hash_files(temporary, names, &hash)) return fail("コピーしたファイルを読めません。");
    if (hash == memory->hash) {
        remove_tree(temporary);
        memory->verified = now;
        look.outcome = kDistUnchanged;
        return look;
    }
    const std::string final_folder = local_root + kCopyPrefix + hash;
    // The same content verified before (the share went back to it) is there whole already, and
    // may be the copy the player runs: it stays, the new copy goes.
    const DWORD there = GetFileAttributesA(final_folder.c_str());
    if (there != INVALID_FILE_ATTRIBUTES && (there & FILE_ATTRIBUTE_DIRECTORY)) remove_tree(temporary);
    else if (!MoveFileA(temporary.substr(0, temporary.size() - 1).c_str(), final_folder.c_str()))
        return fail("新しいセットの置き場所「" + final_folder + "」を作れません" + system_text(GetLastError()) + "。");
    memory->verified = now;
    memory->hash = hash;
    look.outcome = kDistReady;
    look.ready_set = final_folder + "\\" + name;
    uint64_t newest = 0;
    for (const DistFile &f : now) newest = f.time > newest ? f.time : newest;
    look.version = version_text(newest, hash);
    return look;
}

bool dist_applies_now(bool ready, const DistScreen &s) {
    return ready && s.start_screen && !s.busy && !s.asking && !s.test_mode && s.quiet_millis >= kDistQuietMillis;
}

std::string dist_record_text(const DistRecord &r) {
    std::string t = std::string(kRecordMagic) + "1\r\nFolder=" + r.folder + "\r\nSetName=" + r.set_name + "\r\nLocalSet=" +
                    r.local_set + "\r\nHash=" + r.hash + "\r\nVersion=" + r.version + "\r\n";
    for (const DistFile &f : r.files)
        t += "File=" + std::to_string(f.size) + "|" + std::to_string(f.time) + "|" + f.name + "\r\n";
    return t + "End=1\r\n";
}

bool parse_dist_record(const std::string &bytes, DistRecord *out) {
    *out = DistRecord();
    if (bytes.compare(0, strlen(kRecordMagic) + 1, std::string(kRecordMagic) + "1") != 0) return false;
    bool whole = false;
    for (size_t at = bytes.find('\n'); at != std::string::npos && at + 1 < bytes.size();) {
        size_t eol = bytes.find('\n', at + 1);
        if (eol == std::string::npos) break;
        std::string line = bytes.substr(at + 1, eol - at - 1);
        at = eol;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), v = line.substr(eq + 1);
        if (key == "Folder") out->folder = v;
        else if (key == "SetName") out->set_name = v;
        else if (key == "LocalSet") out->local_set = v;
        else if (key == "Hash") out->hash = v;
        else if (key == "Version") out->version = v;
        else if (key == "End") whole = v == "1";
        else if (key == "File") {
            DistFile f;
            unsigned long long size = 0, time = 0;
            int used = 0;
            if (sscanf(v.c_str(), "%llu|%llu|%n", &size, &time, &used) < 2 || !used) return false;
            f.size = size;
            f.time = time;
            f.name = v.substr(static_cast<size_t>(used));
            out->files.push_back(f);
        }
    }
    return whole && !out->local_set.empty() && !out->files.empty();
}

std::string dist_start_file(const std::string &given, const std::string &given_dist, const DistRecord *r) {
    if (!r) return given;
    const std::string folder = with_backslash(r->folder);
    if (same_text(given, folder + r->set_name)) return r->local_set;
    if (!given_dist.empty() && same_text(with_backslash(given_dist), folder)) return r->local_set;
    return given;
}

// ---- the player's side ----
namespace {

struct Job {
    std::string folder, set_name, local_root;
    DistMemory memory;
    unsigned generation;
};

struct Distribution {
    CRITICAL_SECTION lock;
    bool on = false;
    int seconds = kDistCheckSeconds;
    std::string dist_root, local_root;  // %LOCALAPPDATA%\Zelmica\dist\, and this kiosk's folder in it
    DistRecord record;  // the copy in effect last (from current.txt at start)
    bool have_record = false;
    // What to look at; a change of it makes the answers of a look under way void.
    std::string folder, set_name, in_effect_set;
    unsigned generation = 0;
    DistMemory memory;
    HANDLE thread = nullptr;
    DWORD last_look = 0;
    bool looked = false;
    // Answers of the looks.
    std::string problem, version, ready_set, ready_version, ready_hash;
    DistFiles ready_files;
    std::string reported_problem;
};

Distribution &dist() {
    static Distribution *d = [] {
        Distribution *n = new Distribution;
        InitializeCriticalSection(&n->lock);
        return n;
    }();
    return *d;
}

struct Locked {
    Locked() { EnterCriticalSection(&dist().lock); }
    ~Locked() { LeaveCriticalSection(&dist().lock); }
};

DWORD WINAPI look_thread(void *param) {
    Job *job = static_cast<Job *>(param);
    const DistLook look = look_at_distribution(job->folder, job->set_name, job->local_root, &job->memory);
    {
        Locked l;
        Distribution &d = dist();
        if (job->generation == d.generation) {
            // The copy in effect may have changed while the look ran.
            const std::string in_effect = d.memory.in_effect;
            d.memory = job->memory;
            d.memory.in_effect = in_effect;
            d.problem = look.outcome == kDistProblem ? look.problem : std::string();
            if (look.outcome == kDistReady) {
                d.ready_set = look.ready_set;
                d.ready_version = look.version;
                d.ready_hash = job->memory.hash;
                d.ready_files = job->memory.verified;
            }
        }
    }
    delete job;
    return 0;
}

void start_look() {
    Distribution &d = dist();
    if (d.thread) {
        if (WaitForSingleObject(d.thread, 0) != WAIT_OBJECT_0) return;  // a slow share: the last look still waits
        CloseHandle(d.thread);
        d.thread = nullptr;
    }
    Job *job = new Job;
    {
        Locked l;
        if (d.folder.empty()) {
            delete job;
            return;
        }
        job->folder = d.folder;
        job->set_name = d.set_name;
        job->local_root = d.local_root;
        job->memory = d.memory;
        job->generation = d.generation;
    }
    d.thread = CreateThread(nullptr, 0, look_thread, job, 0, nullptr);
    if (!d.thread) delete job;
}

std::string read_record_file(const std::string &path) {
    std::string bytes;
    DWORD error = 0;
    return read_bytes(path, &bytes, &error) ? bytes : std::string();
}

bool write_record_file(const std::string &path, const std::string &text) {
    char temporary[kPathSize];
    if (!temporary_beside(path.c_str(), temporary)) return false;
    HANDLE h = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    bool ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr) && n == text.size() && FlushFileBuffers(h);
    CloseHandle(h);
    if (ok) ok = MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) DeleteFileA(temporary);
    return ok;
}

std::string full_path(const char *path) {
    char full[kPathSize];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    return n && n < sizeof full ? std::string(full) : std::string(path);
}

// The ready copy into effect, and remembered for the next start.
void put_into_effect(HWND window) {
    Distribution &d = dist();
    DistRecord r;
    {
        Locked l;
        r.folder = d.folder;
        r.local_set = d.ready_set;
        r.set_name = r.local_set.substr(r.local_set.rfind('\\') + 1);  // the share's name, which may differ from ours
        r.hash = d.ready_hash;
        r.version = d.ready_version;
        r.files = d.ready_files;
        d.ready_set.clear();
        // Marked before the set is applied, which tells distribution_follow about it.
        d.in_effect_set = r.local_set;
    }
    if (!open_start_file(window, r.local_set.c_str())) {
        Locked l;
        d.problem = "新しいセット「" + r.local_set + "」を開けませんでした。";
        return;
    }
    {
        Locked l;
        d.version = r.version;
        d.memory.in_effect = r.hash;
        d.record = r;
        d.have_record = true;
    }
    write_record_file(d.local_root + kRecordName, dist_record_text(r));
    kiosk_report_now();
}

}  // namespace

namespace {

// The kiosk's own folder of copies and its record; before any look runs.
void use_kiosk_folder(const std::string &kiosk) {
    Distribution &d = dist();
    d.local_root = d.dist_root + dist_kiosk_folder(kiosk) + "\\";
    CreateDirectoryA(d.local_root.c_str(), nullptr);
    DistRecord r;
    const std::string bytes = read_record_file(d.local_root + kRecordName);
    DistFile f;
    // A copy that is no longer all there is no set to go back to.
    d.have_record = parse_dist_record(bytes, &r) && stat_file(r.local_set, &f);
    d.record = d.have_record ? r : DistRecord();
}

int no_box(HWND, const char *, const char *, UINT) { return IDOK; }

}  // namespace

void distribution_start(int seconds) {
    Distribution &d = dist();
    char local[kPathSize];
    local_folder(local);
    if (!local[0]) return;
    d.dist_root = std::string(local) + "dist\\";
    CreateDirectoryA(d.dist_root.c_str(), nullptr);
    d.seconds = seconds > 0 ? seconds : kDistCheckSeconds;
    d.on = true;
    char kiosk[kKioskNameSize];
    current_kiosk_name(kiosk);
    use_kiosk_folder(kiosk);
}

std::string distribution_start_file(const char *given) {
    Distribution &d = dist();
    const std::string full = full_path(given);
    const std::string ext = path_extension(full.c_str()) ? path_extension(full.c_str()) : "";
    if (!d.on || !same_text(ext, "set")) return full;
    // Without /kiosk: (or the player's setting) the set's KIOSK names this player, as in its logs.
    const std::string set_kiosk = pc_kiosk_name()[0] ? std::string() : set_file_kiosk(full.c_str());
    if (kiosk_name_valid(set_kiosk.c_str())) use_kiosk_folder(set_kiosk);
    if (!d.have_record) return full;
    return dist_start_file(full, set_file_dist_folder(full.c_str()), &d.record);
}

void distribution_open_start(HWND window, const char *given) {
    Distribution &d = dist();
    const std::string start = distribution_start_file(given);
    const std::string folder = d.on ? set_file_dist_folder(start.c_str()) : std::string();
    std::string problem;
    // With no verified copy to play, a broken share's set would put the loader's boxes in front of
    // visitors with nobody there to answer: the share is looked at first, and when it is broken the
    // set opens without boxes and the status file says why.
    if (!folder.empty() && !PathIsRelativeA(folder.c_str()) && !same_text(start, d.record.local_set)) {
        DistMemory memory;
        memory.in_effect = d.have_record ? d.record.hash : std::string();
        char name[kPathSize];
        copy_cut(name, sizeof name, start.c_str());
        const DistLook look = look_at_distribution(folder, path_file_name(name), d.local_root, &memory);
        if (look.outcome == kDistProblem) problem = look.problem;
    }
    if (problem.empty()) {
        open_start_file(window, start.c_str());
        return;
    }
    const MessageBoxFn before = set_message_box_fn(no_box);
    const int opened = open_start_file(window, start.c_str());
    set_message_box_fn(before);
    // A set that did not open at all is still looked after: the share's set comes in once mended.
    if (!opened) distribution_follow(start.c_str(), folder.c_str());
    Locked l;
    d.problem = problem;
}

bool distribution_edit_set(HWND window) {
    Distribution &d = dist();
    std::string copy, share;
    {
        Locked l;
        const char *path = set_current_path();
        if (!d.on || !d.have_record || !path || !path[0] || !same_text(path, d.in_effect_set) ||
            !same_text(path, d.record.local_set))
            return false;
        copy = path;
        share = with_backslash(d.record.folder) + d.record.set_name;
    }
    // The copy is hidden and the next version replaces it: the set every kiosk copies is the one to edit.
    const std::string text = "このキオスクは配布フォルダーのセットのコピーで動いています。\r\n配布フォルダーのセット「" + share +
                             "」を編集します。\r\n保存すると、このキオスクもほかのキオスクも、次に配布フォルダーを見たときに取り込みます。";
    if (show_message_box(window, text.c_str(), "セットの編集", MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) return true;
    const char *p = share.c_str();
    if (set_manager(kSetLoadPath, 0, &p) != 1) return true;  // the loader said why
    SetRecord *edited = nullptr;
    const bool apply = set_manager(kSetEdit, 0, &edited) == 1 && edited;
    // Another set opened in the editor goes into effect as usual.
    const char *now = set_current_path();
    if (apply && now && !same_text(now, share)) {
        apply_set(window, edited);
        return true;
    }
    // The kiosk plays on from its copy until the saved set comes back through the share.
    p = copy.c_str();
    set_manager(kSetLoadPath, 0, &p);
    d.looked = false;
    return true;
}

void distribution_follow(const char *set_path, const char *dist_folder) {
    Distribution &d = dist();
    if (!d.on) return;
    const std::string path = set_path ? set_path : "", folder = dist_folder ? dist_folder : "";
    Locked l;
    if (!path.empty() && same_text(path, d.in_effect_set) && same_text(with_backslash(folder), with_backslash(d.folder))) return;
    // Another set or folder: what was looked at and verified belongs to the one before. The copy
    // still running (its folder changed in the set editor) keeps its files and its version.
    const bool running_copy = !path.empty() && same_text(path, d.in_effect_set);
    ++d.generation;
    const std::string in_effect = running_copy ? d.memory.in_effect : std::string();
    d.memory = DistMemory();
    d.memory.in_effect = in_effect;
    d.problem.clear();
    if (!running_copy) {
        d.version.clear();
        d.in_effect_set.clear();
    }
    d.ready_set.clear();
    d.folder.clear();
    d.looked = false;
    if (folder.empty()) return;
    if (PathIsRelativeA(folder.c_str())) {
        d.problem = "配布フォルダー「" + folder + "」はフルパス（\\\\サーバー\\共有\\… や D:\\…）で指定してください。";
        return;
    }
    d.folder = folder;
    char name[kPathSize];
    copy_cut(name, sizeof name, path.c_str());
    d.set_name = path.empty() ? std::string() : path_file_name(name);
    // The copy in effect before a restart: its files are known, nothing is copied again.
    if (d.have_record && same_text(path, d.record.local_set) && same_text(with_backslash(folder), with_backslash(d.record.folder))) {
        d.in_effect_set = path;
        d.version = d.record.version;
        d.memory.verified = d.record.files;
        d.memory.hash = d.memory.in_effect = d.record.hash;
    }
}

void distribution_tick(HWND window, const DistScreen &screen) {
    Distribution &d = dist();
    if (!d.on) return;
    const DWORD now = GetTickCount();
    bool ready = false;
    std::string problem;
    {
        Locked l;
        ready = !d.ready_set.empty();
        problem = d.problem;
    }
    if (!d.looked || now - d.last_look >= static_cast<DWORD>(d.seconds) * 1000) {
        d.looked = true;
        d.last_look = now;
        start_look();
    }
    if (dist_applies_now(ready, screen)) put_into_effect(window);
    // A new trouble reaches the status file at once, not at its next minute.
    if (problem != d.reported_problem) {
        d.reported_problem = problem;
        kiosk_report_now();
    }
}

std::string distribution_version() {
    Locked l;
    return dist().version;
}

std::string distribution_problem() {
    Locked l;
    return dist().problem;
}

std::string distribution_waiting() {
    Locked l;
    return dist().ready_set.empty() ? std::string() : dist().ready_version;
}

// Gathering a set or a question file with the files it names into one folder that travels.
#include "file_bundle.h"
#include <windows.h>
#include <shlwapi.h>
#include <algorithm>
#include <map>
#include <set>
#include "BrixLib.h"
#include "RowOfFile.h"
#include "imemory.h"
#include "question_codec.h"

int question_file_paths(const char *line, bool *question_file) {
    *question_file = false;
    return question_path_field(line);
}

namespace {

struct NoCase {
    bool operator()(const std::string &a, const std::string &b) const { return lstrcmpiA(a.c_str(), b.c_str()) < 0; }
};

std::vector<std::string> split_fields(const std::string &line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = line.find(',', start);  // no second byte of a double-byte character is a comma
        fields.push_back(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

std::string join_fields(const std::vector<std::string> &fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + fields[i];
    return line;
}

std::string full_path_of(const char *path) {
    char full[kPathSize];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    return n && n < sizeof full ? std::string(full) : std::string(path);
}

std::string file_name_of(const std::string &path) {
    char copy[kPathSize];
    copy_cut(copy, sizeof copy, path.c_str());
    return path_file_name(copy);
}

// The subfolder of a copy, by its kind.
std::string subfolder_for(const std::string &name) {
    const char *ext = path_extension(name.c_str());
    const std::string e = ext ? ext : "";
    for (const char *x : {"jpg", "jpeg", "png", "bmp", "gif"})
        if (equals_nocase(e.c_str(), x)) return "img\\";
    if (equals_nocase(e.c_str(), "wav")) return "snd\\";
    for (const char *x : {"mid", "midi", "rmi", "mp3"})
        if (equals_nocase(e.c_str(), x)) return "bgm\\";
    return "files\\";
}

// The lines of a file as the player reads them (a UTF-8 file as Shift-JIS); false when it cannot be opened.
bool read_lines(const char *path, std::vector<std::string> *lines) {
    int utf8 = 0;
    HANDLE file = open_line_file(path, &utf8);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[kLineSize];
    for_each_line(file, buffer, sizeof buffer,
                  [](const char *line, void *context) {
                      static_cast<std::vector<std::string> *>(context)->push_back(line);
                      return true;
                  },
                  lines);
    CloseHandle(file);
    return true;
}

bool write_whole(const std::string &path, const std::string &bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = bytes.empty() ||
              (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size());
    DWORD error = GetLastError();
    CloseHandle(h);
    SetLastError(error);
    return ok;
}

struct Planner {
    NamedPathFn root_paths;
    std::map<std::string, std::string, NoCase> by_source;  // full source path -> name in the bundle
    std::set<std::string, NoCase> taken;                    // names in the bundle
    std::vector<std::pair<std::string, std::string>> copies;  // source, name in the bundle
    std::vector<std::pair<std::string, std::string>> texts;   // name in the bundle, rewritten lines
    std::set<std::string, NoCase> kept_missing;             // values left as they were
    BundleOutcome *out;

    std::string claim(const std::string &full, const std::string &folder) {
        auto known = by_source.find(full);
        if (known != by_source.end()) return known->second;
        const std::string original = file_name_of(full);
        std::string name = safe_file_name(original);
        if (name != original) out->notes.push_back("名前を変えました: " + original + " → " + name);
        const char *ext = path_extension(name.c_str());
        const std::string stem = ext ? name.substr(0, name.size() - strlen(ext) - 1) : name;
        const std::string dot_ext = ext ? std::string(".") + ext : std::string();
        std::string target = folder + name;
        for (int n = 2; taken.count(target); ++n) target = folder + stem + " (" + std::to_string(n) + ")" + dot_ext;
        if (target != folder + name) out->notes.push_back("同じ名前の別のファイル: " + full + " → " + target);
        taken.insert(target);
        by_source[full] = target;
        return target;
    }

    // Plans the file at full (named in the bundle as target) and everything its lines name.
    bool plan_text(const std::string &full, const std::string &target, NamedPathFn paths) {
        std::vector<std::string> lines;
        if (!read_lines(full.c_str(), &lines)) {
            out->failure = file_error_text(full.c_str(), GetLastError());
            return false;
        }
        std::string text;
        for (const std::string &line : lines) {
            bool question_file = false;
            int field = paths(line.c_str(), &question_file);
            std::vector<std::string> fields = split_fields(line);
            if (field < 1 || static_cast<size_t>(field) >= fields.size() || fields[field].empty()) {
                text += line + "\r\n";
                continue;
            }
            const std::string value = fields[field];
            char found[kPathSize];
            const char *where = resolve_named_path(value.c_str(), full.c_str(), found);
            if (GetFileAttributesA(where) == INVALID_FILE_ATTRIBUTES || (GetFileAttributesA(where) & FILE_ATTRIBUTE_DIRECTORY)) {
                out->missing.push_back(value + "（" + file_name_of(full) + "）");
                kept_missing.insert(value);
                text += line + "\r\n";
                continue;
            }
            const std::string source = full_path_of(where);
            if (!PathIsRelativeA(value.c_str())) out->notes.push_back("フォルダーの外から取り込みました: " + value);
            else if (value.compare(0, 3, "..\\") == 0) out->notes.push_back("上のフォルダーから取り込みました: " + value);
            const bool first = !by_source.count(source);
            const std::string name = claim(source, question_file ? std::string() : subfolder_for(source));
            if (first && question_file) {
                if (!plan_text(source, name, question_file_paths)) return false;
            } else if (first) {
                copies.push_back({source, name});
            }
            fields[field] = name;  // every text of the bundle lies in its top folder
            text += join_fields(fields) + "\r\n";
        }
        texts.push_back({target, text});
        return true;
    }
};

// Whether every path the bundle's texts name opens beside them, as the player looks first.
bool check_bundle(const std::string &folder, const Planner &p, NamedPathFn root_paths, std::string *failure) {
    for (size_t t = 0; t < p.texts.size(); ++t) {
        const std::string file = folder + p.texts[t].first;
        std::vector<std::string> lines;
        if (!read_lines(file.c_str(), &lines)) {
            *failure = "まとめた「" + p.texts[t].first + "」が開けませんでした。";
            return false;
        }
        const NamedPathFn paths = t + 1 == p.texts.size() ? root_paths : question_file_paths;
        for (const std::string &line : lines) {
            bool question_file = false;
            int field = paths(line.c_str(), &question_file);
            std::vector<std::string> fields = split_fields(line);
            if (field < 1 || static_cast<size_t>(field) >= fields.size() || fields[field].empty()) continue;
            const std::string &value = fields[field];
            if (p.kept_missing.count(value)) continue;
            const std::string beside = folder + value;
            if (!PathIsRelativeA(value.c_str()) || value.compare(0, 3, "..\\") == 0 || value.find("\\..\\") != std::string::npos ||
                GetFileAttributesA(beside.c_str()) == INVALID_FILE_ATTRIBUTES) {
                *failure = "まとめたファイルを確かめたところ、「" + p.texts[t].first + "」の名前「" + value + "」が開けません。";
                return false;
            }
        }
    }
    return true;
}

std::string megabytes(ULONGLONG bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB"; }

}  // namespace

std::string safe_file_name(const std::string &name) {
    std::string s;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (is_sjis_lead(c) && i + 1 < name.size()) {
            s += name.substr(i, 2);
            ++i;
        } else {
            s += (c < 0x20 || strchr("<>:\"/\\|?*", c)) ? '_' : static_cast<char>(c);
        }
    }
    while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.pop_back();
    if (s.empty()) return "_";
    const size_t dot = s.find('.');
    const std::string base = s.substr(0, dot);
    static const char *const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    bool device = false;
    for (const char *d : kDevices) device = device || equals_nocase(base.c_str(), d);
    if (base.size() == 4 && (compare_prefix_nocase(base.c_str(), "COM", 3) == 0 || compare_prefix_nocase(base.c_str(), "LPT", 3) == 0) &&
        base[3] >= '1' && base[3] <= '9')
        device = true;
    if (device) s.insert(base.size(), "_");
    return s;
}

bool remove_tree(const std::string &folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\') base += '\\';
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((base + "*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = d.cFileName;
            if (name == "." || name == "..") continue;
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) remove_tree(base + name);
            else DeleteFileA((base + name).c_str());
        } while (FindNextFileA(h, &d));
        FindClose(h);
    }
    return RemoveDirectoryA(base.c_str()) != 0;
}

BundleOutcome bundle_files(const char *root, NamedPathFn root_paths, const char *destination) {
    BundleOutcome out;
    std::string dest = destination ? destination : "";
    if (!dest.empty() && dest.back() != '\\') dest += '\\';
    DWORD attributes = GetFileAttributesA(dest.c_str());
    if (dest.empty() || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        out.failure = "まとめ先「" + dest + "」はフォルダーではありません。ほかのフォルダーを選んでください。";
        return out;
    }
    const std::string root_full = full_path_of(root);
    Planner p;
    p.root_paths = root_paths;
    p.out = &out;
    const std::string root_name = p.claim(root_full, std::string());
    if (!p.plan_text(root_full, root_name, root_paths)) return out;

    const char *ext = path_extension(root_name.c_str());
    const std::string stem = ext ? root_name.substr(0, root_name.size() - strlen(ext) - 1) : root_name;
    std::string final_folder = dest + stem;
    for (int n = 2; GetFileAttributesA(final_folder.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        final_folder = dest + stem + " (" + std::to_string(n) + ")";
    const std::string temp = dest + "~" + stem + ".まとめ中" + std::to_string(GetCurrentProcessId()) + "\\";

    ULONGLONG need = 0;
    size_t longest = 0;
    for (const auto &c : p.copies) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(c.first.c_str(), GetFileExInfoStandard, &data))
            need += (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        longest = std::max(longest, c.second.size());
    }
    for (const auto &t : p.texts) need += t.second.size();
    ULARGE_INTEGER free_bytes;
    if (GetDiskFreeSpaceExA(dest.c_str(), &free_bytes, nullptr, nullptr) && free_bytes.QuadPart < need) {
        out.failure = "まとめ先「" + dest + "」の空きが足りません（必要 " + megabytes(need) + "、空き " +
                      megabytes(free_bytes.QuadPart) + "）。空きのある場所を選んでください。";
        return out;
    }
    if (std::max(temp.size(), final_folder.size() + 1) + longest >= kPathSize) {
        out.failure = "まとめ先「" + dest + "」のパスが長すぎます。もっと浅いフォルダーを選んでください。";
        return out;
    }
    if (!CreateDirectoryA(temp.c_str(), nullptr)) {
        out.failure = "まとめ先「" + dest + "」に書き込めません。\r\n" + file_error_text(temp.c_str(), GetLastError());
        return out;
    }
    auto fail = [&](const std::string &why) {
        remove_tree(temp);
        out.failure = why;
        return out;
    };
    for (const char *sub : {"img", "snd", "bgm", "files"}) CreateDirectoryA((temp + sub).c_str(), nullptr);
    for (const auto &c : p.copies) {
        if (!CopyFileA(c.first.c_str(), (temp + c.second).c_str(), TRUE)) {
            const DWORD error = GetLastError();
            const std::string why = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL
                                        ? "まとめ先の空きが足りなくなりました。空きのある場所を選んでください。"
                                        : file_error_text(c.first.c_str(), error);
            return fail("「" + c.first + "」をコピーできませんでした。何もまとめていません。\r\n" + why);
        }
        ++out.copied;
    }
    for (const auto &t : p.texts) {
        if (!write_whole(temp + t.first, t.second))
            return fail("「" + t.first + "」を書き込めませんでした。何もまとめていません。\r\n" +
                        file_error_text((temp + t.first).c_str(), GetLastError()));
        ++out.copied;
    }
    for (const char *sub : {"img", "snd", "bgm", "files"}) RemoveDirectoryA((temp + sub).c_str());  // only when empty
    std::string why;
    if (!check_bundle(temp, p, root_paths, &why)) return fail(why + "何もまとめていません。");
    if (!MoveFileA(temp.substr(0, temp.size() - 1).c_str(), final_folder.c_str()))
        return fail("まとめたフォルダーの名前を「" + final_folder + "」にできませんでした。何もまとめていません。\r\n" +
                    file_error_text(final_folder.c_str(), GetLastError()));
    out.done = true;
    out.folder = final_folder;
    return out;
}

std::string bundle_summary(const BundleOutcome &o) {
    if (!o.done) return o.failure;
    std::string text = "「" + o.folder + "」にまとめました（" + std::to_string(o.copied) +
                       " ファイル）。\r\nこのフォルダーごと持ち運べば、ほかのパソコンでもそのまま使えます。";
    if (!o.missing.empty()) {
        text += "\r\n\r\n見つからなかったファイル（まとめていません）:";
        for (const std::string &m : o.missing) text += "\r\n　" + m;
    }
    if (!o.notes.empty()) {
        text += "\r\n\r\nお知らせ:";
        for (const std::string &n : o.notes) text += "\r\n　" + n;
    }
    return text;
}

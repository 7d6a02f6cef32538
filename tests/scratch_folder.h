// A private temporary folder for a test's files, removed with everything in it.
#pragma once
#include <windows.h>
#include <string>

class ScratchFolder {
public:
    ScratchFolder() {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        path_ = std::string(base) + "zelq" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(count_++) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((path_ + "*").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE) {
            do DeleteFileA((path_ + d.cFileName).c_str());
            while (FindNextFileA(h, &d));
            FindClose(h);
        }
        RemoveDirectoryA(path_.c_str());
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::string &path() const { return path_; }
    std::string write(const std::string &name, const std::string &bytes) const {
        std::string p = path_ + name;
        HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD done = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(h);
        return p;
    }
    // The file's bytes, or "<none>" when it does not exist.
    std::string read(const std::string &name) const { return bytes_of(path_ + name); }
    static std::string bytes_of(const std::string &file) {
        HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return "<none>";
        std::string s(GetFileSize(h, nullptr), '\0');
        DWORD got = 0;
        if (!s.empty()) ReadFile(h, &s[0], static_cast<DWORD>(s.size()), &got, nullptr);
        CloseHandle(h);
        return s;
    }

private:
    std::string path_;
    static inline int count_ = 0;
};

// Shared by the benchmark and the soak: a timer, process counters, generated files and a hidden
// player window with every blocking call silenced.
#pragma once
#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <string>
#include <vector>

namespace bench {

inline double now_us() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1e6 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Median time of one call of fn in microseconds over reps repetitions (after one warm-up call).
template <typename Fn> double time_us(int reps, Fn fn) {
    fn();
    std::vector<double> t;
    for (int i = 0; i < reps; ++i) {
        double a = now_us();
        fn();
        t.push_back(now_us() - a);
    }
    return median(t);
}

// As time_us, with setup run untimed before each call.
template <typename Setup, typename Fn> double time_us(int reps, Setup setup, Fn fn) {
    setup();
    fn();
    std::vector<double> t;
    for (int i = 0; i < reps; ++i) {
        setup();
        double a = now_us();
        fn();
        t.push_back(now_us() - a);
    }
    return median(t);
}

struct Counters {
    SIZE_T private_bytes;
    DWORD gdi, user, handles;
    bool gdi_probed, handles_probed;  // the system gave 0, so live objects were counted one by one
};

// Live GDI objects, by asking each handle index for its type (Wine accepts a bare index).
inline DWORD probe_gdi_objects() {
    DWORD n = 0;
    for (ULONG_PTR v = 1; v < 0x10000; ++v)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(v))) ++n;
    return n;
}

// Open kernel handles among the low values, where new handles are given out first.
inline DWORD probe_handles() {
    DWORD n = 0, flags = 0;
    for (ULONG_PTR v = 4; v < 0x4000; v += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags)) ++n;
    return n;
}

inline Counters counters() {
    Counters c = {0, 0, 0, 0, false, false};
    PROCESS_MEMORY_COUNTERS_EX m;
    ZeroMemory(&m, sizeof m);
    m.cb = sizeof m;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&m), sizeof m))
        c.private_bytes = m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage;  // Wine fills only the latter
    c.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    c.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (!c.gdi) c.gdi = probe_gdi_objects(), c.gdi_probed = true;
    if (!GetProcessHandleCount(GetCurrentProcess(), &c.handles) || !c.handles)
        c.handles = probe_handles(), c.handles_probed = true;
    return c;
}

// A private temporary folder, emptied and removed at the end.
class Folder {
public:
    Folder() {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        path_ = std::string(base) + "zelbench" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~Folder() {
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((path_ + "*").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE) {
            do DeleteFileA((path_ + d.cFileName).c_str());
            while (FindNextFileA(h, &d));
            FindClose(h);
        }
        RemoveDirectoryA(path_.c_str());
    }
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;
    const std::string &path() const { return path_; }
    std::string write(const std::string &name, const std::string &bytes) const {
        std::string p = path_ + name;
        HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD done = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(h);
        return p;
    }
    std::string read(const std::string &name) const {
        HANDLE h = CreateFileA((path_ + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return "";
        std::string s(GetFileSize(h, nullptr), '\0');
        DWORD got = 0;
        if (!s.empty()) ReadFile(h, &s[0], static_cast<DWORD>(s.size()), &got, nullptr);
        CloseHandle(h);
        return s;
    }

private:
    std::string path_;
};

// A 24-bit BMP of w x h in a checker of two colours.
inline std::string bmp_bytes(int w, int h, COLORREF a, COLORREF b) {
    int stride = (w * 3 + 3) & ~3;
    std::string s(54 + stride * h, '\0');
    auto put32 = [&](size_t at, DWORD v) { memcpy(&s[at], &v, 4); };
    s[0] = 'B', s[1] = 'M';
    put32(2, static_cast<DWORD>(s.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<DWORD>(w));
    put32(22, static_cast<DWORD>(h));
    s[26] = 1, s[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = ((x / 8 + y / 8) % 2) ? a : b;
            size_t at = 54 + static_cast<size_t>(y) * stride + x * 3;
            s[at] = static_cast<char>(GetBValue(c));
            s[at + 1] = static_cast<char>(GetGValue(c));
            s[at + 2] = static_cast<char>(GetRValue(c));
        }
    return s;
}

// A question file of n questions with five answers each and five results. The first question
// may name a picture; each question text runs over two lines.
inline std::string quiz_bytes(int n, const std::string &title, const std::string &picture = "") {
    std::string t = "N," + title + "\r\nH,ヘッダー: 診断ベンチマーク\r\nF,フッター: Zelmica\r\n";
    t.reserve(t.size() + static_cast<size_t>(n) * 140);
    for (int i = 0; i < n; ++i) {
        t += "Q,設問" + std::to_string(i + 1) + ": 朝はすっきり起きられますか?~_#$二行目: 休日も含めて";
        for (int a = 0; a < 5; ++a) t += ",答え" + std::to_string(a + 1) + "です," + std::to_string(5 - a);
        if (i == 0 && !picture.empty()) t += "," + picture + ",200,120";
        t += "\r\n";
    }
    for (int r = 0; r < 5; ++r) t += "S,結果" + std::to_string(r + 1) + ",結果" + std::to_string(r + 1) + "の説明です\r\n";
    return t;
}

}  // namespace bench

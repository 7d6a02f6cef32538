// Fuzz driver: feeds mutated question files, set files, BMPs, JPEGs and PNGs to the loaders that read
// them, and checks that nothing crashes or hangs, that every text handed out ends within its
// field, that guard bytes around records and DIB rows stay untouched and that no handle leaks.
//
//   fuzz_loaders [--count N] [--seed S] [--only a,b] [--index I] [--limit SECONDS] [--out DIR]
//
// Loaders: question (player), set, editor, bmp, jpeg, png. Input I of a loader depends only on the
// seed, the loader and I, so "--only jpeg --index I" makes one failing input again (kept in DIR).
#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <map>
#include <string>
#include <vector>

#include "BrixLib.h"
#include "QuestionFile.h"
#include "SetManager_private.h"
#include "font_slot.h"
#include "fuzz_checks.h"
#include "fuzz_inputs.h"
#include "image_store.h"
#include "message_box.h"
#include "sound_store.h"

namespace {

struct Options {
    uint64_t seed = 1;
    long count = 2000;
    long index = -1;  // one input only
    double limit = 20.0;
    std::string only;
    std::string out = ".";
};
Options g_options;

// ---------------------------------------------------------------- watchdog, crash report

std::string g_input_path;  // the file the current input was written to
const char *volatile g_loader = "";
volatile long g_index = -1;
volatile LONGLONG g_started = 0;  // performance counter at the start of the input, 0 between inputs
LONGLONG g_frequency = 1;

void keep_input(const char *why) {
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%s\\fuzz-%s-%s-%ld.bin", g_options.out.c_str(), why, g_loader, g_index);
    CopyFileA(g_input_path.c_str(), name, FALSE);
    fprintf(stdout, "  input kept as %s\n", name);
}

LONG WINAPI on_crash(EXCEPTION_POINTERS *e) {
    fprintf(stdout, "CRASH: exception %08lX at %p in loader %s, input %ld, seed %llu\n",
            e->ExceptionRecord->ExceptionCode, e->ExceptionRecord->ExceptionAddress, g_loader, g_index,
            static_cast<unsigned long long>(g_options.seed));
    keep_input("crash");
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 2);
    return EXCEPTION_CONTINUE_SEARCH;
}

DWORD WINAPI watchdog(void *) {
    for (;;) {
        Sleep(250);
        LONGLONG started = g_started, now;
        if (!started) continue;
        QueryPerformanceCounter(reinterpret_cast<LARGE_INTEGER *>(&now));
        if (static_cast<double>(now - started) / g_frequency < g_options.limit) continue;
        fprintf(stdout, "HANG: loader %s, input %ld, seed %llu took over %.0f s\n", g_loader, g_index,
                static_cast<unsigned long long>(g_options.seed), g_options.limit);
        keep_input("hang");
        fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

// ---------------------------------------------------------------- message boxes

std::map<std::string, long> g_boxes;
int count_box(HWND, const char *, const char *caption, UINT) {
    ++g_boxes[caption ? caption : ""];
    return IDOK;
}

// ---------------------------------------------------------------- the loaders

void write_file(const std::string &path, const std::string &bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    if (h != INVALID_HANDLE_VALUE) {
        if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(h);
    }
}

void check_result_record(const ResultRecord &r, const char *name, Problems &p) {
    std::string n = name;
    check_text(r.title, sizeof r.title, (n + " title").c_str(), p);
    check_text(r.comment, sizeof r.comment, (n + " comment").c_str(), p);
    check_text(r.picture, sizeof r.picture, (n + " picture").c_str(), p);
}

void check_question_record(const QuestionRecord &q, Problems &p) {
    check_text(q.text, sizeof q.text, "question text", p);
    for (const char *a : q.answers) check_text(a, kAnswerTextSize, "answer", p);
    check_text(q.picture, sizeof q.picture, "question picture", p);
}

// Sound names of one level, fetched into guarded buffers of the size every caller uses.
void check_sounds(int get_op, int index, const char *name, Problems &p) {
    for (int k = 0; k < kSoundSlots; ++k) {
        Guarded<char[kLineSize]> b;
        memset(b.value, 0, sizeof b.value);
        char *v = b.value;
        sound_store(get_op + k, index, &v);
        b.check(name, p);
        if (strlen(b.value) > kPathSize - 1) p.push_back(std::string(name) + ": sound name longer than a path");
    }
}

void check_file_fonts(Problems &p) {
    for (int f = 0; f < 4; ++f) {
        Guarded<LOGFONTA> lf;
        memset(&lf.value, 0, sizeof lf.value);
        HFONT got = f == 0 ? question_font(kFontGetFile, 0, 0, &lf.value)
                  : f == 1 ? answer_font(kFontGetFile, 0, &lf.value)
                  : f == 2 ? comment_font(kFontGetFile, 0, 0, &lf.value)
                           : header_font(kFontGetFile, 0, &lf.value);
        lf.check("font copy", p);
        if (got) check_text(lf.value.lfFaceName, LF_FACESIZE, "font face", p);
    }
}

void drop_file_fonts() {
    question_font(kFontDropFile, 0, 0, nullptr);
    answer_font(kFontDropFile, 0, nullptr);
    comment_font(kFontDropFile, 0, 0, nullptr);
    header_font(kFontDropFile, 0, nullptr);
}

void run_question(const std::string &path, Problems &p) {
    static Guarded<QuestionFile> slot;
    slot.arm();
    question_file_init(&slot.value);
    if (load_question_file_into(&slot.value, 0, nullptr, path.c_str()) != 1) p.push_back("an existing file was not read");
    const QuestionFile &f = slot.value;
    slot.check("question-file slot", p);
    check_text(f.title, sizeof f.title, "title", p);
    check_text(f.header, sizeof f.header, "header", p);
    check_text(f.footer, sizeof f.footer, "footer", p);
    check_text(f.wallpaper, sizeof f.wallpaper, "wallpaper", p);
    check_result_record(f.topRow, "top row", p);
    check_result_record(f.bottomRow, "bottom row", p);
    if (f.highestTotal < 0 || f.lowestTotal > 0) p.push_back("totals on the wrong side of 0");
    bool ended = false;
    for (size_t i = 0; f.questions && i < f.questionCapacity; ++i) {
        check_question_record(f.questions[i], p);
        ended = ended || !f.questions[i].text[0];
    }
    if (!ended) p.push_back("question array without its empty record");
    ended = false;
    for (size_t i = 0; f.results && i < f.resultCapacity; ++i) {
        check_result_record(f.results[i], "result", p);
        ended = ended || !f.results[i].title[0];
    }
    if (!ended) p.push_back("result array without its empty record");
    check_sounds(kSoundGetFile, 0, "question-file sounds", p);
    check_file_fonts(p);
    question_file_free(&slot.value);
    sound_store(kSoundClearFiles, 0, nullptr);
    drop_file_fonts();
}

void run_set(const std::string &path, Problems &p) {
    static long loads = 0;
    // The reader keeps what a file leaves out, so most loads go over the last one's record.
    if (loads++ % 256 == 0) {
        HWND owner = nullptr;
        set_manager(kSetReset, 0, &owner);
    }
    const char *in = path.c_str();
    void *value = const_cast<char *>(in);
    if (set_manager(kSetLoadPath, 0, &value) != 1) p.push_back("an existing set file was not read");
    Guarded<SetRecord> r;
    memcpy(&r.value, set_current_record(), sizeof r.value);
    const SetRecord &s = r.value;
    check_text(s.title, sizeof s.title, "set title", p);
    for (const char *q : s.questions) check_text(q, sizeof s.questions[0], "set question file", p);
    check_text(s.music, sizeof s.music, "set music", p);
    check_text(s.picture, sizeof s.picture, "set picture", p);
    check_text(s.wallpaper, sizeof s.wallpaper, "set wallpaper", p);
    check_text(s.title_font.lfFaceName, LF_FACESIZE, "set title font face", p);
    check_text(s.question_font.lfFaceName, LF_FACESIZE, "set question font face", p);
    r.check("set record copy", p);
    const char *current = set_current_path();
    if (!current || !memchr(current, '\0', kPathSize) || strcmp(current, in) != 0)
        p.push_back("current set path is not the file loaded");
    check_sounds(kSoundGetSet, 0, "set-level sounds", p);
}

void run_editor(const std::string &path, Problems &p) { editor_open_and_check(path, p); }

HWND g_window;
long g_images;  // inputs that gave a picture

// A DIB section as the loaders hand it out: bits within the allocation; for our own 24-bit JPEG
// DIBs also the row padding and the bytes after the last row still zero.
void check_dib(HBITMAP bitmap, int width, int height, bool ours, Problems &p) {
    DIBSECTION ds;
    memset(&ds, 0, sizeof ds);
    if (GetObjectA(bitmap, sizeof ds, &ds) != sizeof ds) {
        p.push_back("bitmap is not a DIB section");
        return;
    }
    const BITMAP &bm = ds.dsBm;
    if (!bm.bmBits) return p.push_back("DIB without bits");
    if (bm.bmWidth != width || abs(bm.bmHeight) != height || width <= 0 || height <= 0)
        p.push_back("DIB size differs from the size reported");
    MEMORY_BASIC_INFORMATION mbi;
    if (!VirtualQuery(bm.bmBits, &mbi, sizeof mbi)) return p.push_back("DIB bits not in any allocation");
    const unsigned char *bits = static_cast<const unsigned char *>(bm.bmBits);
    const unsigned char *end = static_cast<const unsigned char *>(mbi.BaseAddress) + mbi.RegionSize;
    const uint64_t stride = static_cast<uint64_t>(bm.bmWidthBytes), rows = static_cast<uint64_t>(abs(bm.bmHeight));
    if (static_cast<uint64_t>(end - bits) < stride * rows) return p.push_back("DIB rows run past their allocation");
    if (!ours) return;
    if (bm.bmBitsPixel != 24 || ds.dsBmih.biHeight <= 0) p.push_back("JPEG DIB is not 24-bit bottom-up");
    if (stride != (static_cast<uint64_t>(width) * 24 + 31) / 32 * 4) return p.push_back("JPEG DIB stride is not 4-byte padded");
    for (uint64_t y = 0; y < rows; ++y)
        for (uint64_t x = static_cast<uint64_t>(width) * 3; x < stride; ++x)
            if (bits[y * stride + x]) return p.push_back("JPEG row padding written");
    const unsigned char *after = bits + stride * rows;
    for (const unsigned char *q = after; q < end && q < after + 65536; ++q)
        if (*q) return p.push_back("bytes after the last JPEG row written");
}

void run_bmp(const std::string &path, Problems &p) {
    image_store(kImgLoadRunPicture, 0, const_cast<char *>(path.c_str()));
    HBITMAP shown = nullptr;
    if (image_store(kImgPicture, 0, &shown) && ++g_images)
        check_dib(shown, image_store(kImgPictureWidth, 0, nullptr), image_store(kImgPictureHeight, 0, nullptr), false, p);
    image_store(kImgClearRunPicture, 0, nullptr);
}

void run_jpeg(const std::string &path, Problems &p) {
    static long loads = 0;
    if (loads++ % 8 == 0) {  // now and then through the store, as the wallpaper
        image_store(kImgLoadRunWall, 0, const_cast<char *>(path.c_str()));
        HBITMAP shown = nullptr;
        g_images += image_store(kImgWallpaper, 0, &shown);
        image_store(kImgClearRunWall, 0, nullptr);
        return;
    }
    int w = -1, h = -1;
    HBITMAP dib = load_jpeg_dib(g_window, path.c_str(), &w, &h);
    if (dib) {
        ++g_images;
        check_dib(dib, w, h, true, p);
        DeleteObject(dib);
    }
}

void run_png(const std::string &path, Problems &p) {
    static long loads = 0;
    if (loads++ % 8 == 0) {  // now and then through the store, as the picture
        image_store(kImgLoadRunPicture, 0, const_cast<char *>(path.c_str()));
        HBITMAP shown = nullptr;
        if (image_store(kImgPicture, 0, &shown) && ++g_images)
            check_dib(shown, image_store(kImgPictureWidth, 0, nullptr), image_store(kImgPictureHeight, 0, nullptr), false, p);
        image_store(kImgClearRunPicture, 0, nullptr);
        return;
    }
    int w = -1, h = -1;
    bool alpha = false;
    HBITMAP dib = load_png_dib(g_window, path.c_str(), &w, &h, &alpha);
    if (dib) {
        ++g_images;
        check_dib(dib, w, h, !alpha, p);
        DeleteObject(dib);
    }
}

struct Loader {
    const char *name;
    const char *extension;
    void (*run)(const std::string &path, Problems &p);
    std::vector<std::string> seeds;
    int kind;  // 0 question text, 1 set text, 2 BMP, 3 JPEG, 4 PNG
    // Results
    long inputs = 0, failures = 0, slowest_index = -1, seeds_loaded = 0;
    double slowest_ms = 0, total_ms = 0;
    size_t slowest_size = 0;
};

std::string make_input(Loader &l, long index, bool *sweep) {
    // Even inputs first walk every truncation of every valid file, then all are mutations.
    size_t total = 0;
    for (const std::string &s : l.seeds) total += s.size() + 1;
    *sweep = false;
    if (index % 2 == 0 && static_cast<size_t>(index / 2) < total) {
        size_t n = static_cast<size_t>(index / 2);
        for (const std::string &s : l.seeds) {
            if (n <= s.size()) {
                *sweep = true;
                return s.substr(0, n);
            }
            n -= s.size() + 1;
        }
    }
    Rng rng = input_rng(g_options.seed, l.name, static_cast<uint64_t>(index));
    const std::string &base = l.seeds[rng.below(static_cast<uint32_t>(l.seeds.size()))];
    if (rng.chance(1)) return base;
    switch (l.kind) {
        case 0: return mutate_text(rng, base, l.seeds, false);
        case 1: return mutate_text(rng, base, l.seeds, true);
        case 2: return mutate_bmp(rng, base);
        case 3: return mutate_jpeg(rng, base);
        default: return mutate_png(rng, base);
    }
}

DWORD handle_count() {
    DWORD n = 0;
    GetProcessHandleCount(GetCurrentProcess(), &n);
    return n;
}
DWORD gdi_count() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

void fail(Loader &l, long index, const std::string &what) {
    ++l.failures;
    fprintf(stdout, "FAIL: loader %s, input %ld, seed %llu: %s\n", l.name, index,
            static_cast<unsigned long long>(g_options.seed), what.c_str());
    if (l.failures <= 20) keep_input("fail");
}

void run_loader(Loader &l, const std::string &folder) {
    g_loader = l.name;
    g_input_path = folder + "in." + l.extension;
    const DWORD handles_at_start = handle_count(), gdi_at_start = gdi_count();
    // How many of the valid pictures load: every BMP should, and every JPEG but CMYK, 12-bit, lossless.
    g_images = 0;
    for (const std::string &seed : l.seeds) {
        if (l.kind < 2) break;
        write_file(g_input_path, seed);
        Problems ignored;
        l.run(g_input_path, ignored);
    }
    l.seeds_loaded = g_images;
    g_images = 0;
    long first = g_options.index >= 0 ? g_options.index : 0;
    long last = g_options.index >= 0 ? g_options.index + 1 : g_options.count;
    for (long i = first; i < last; ++i) {
        bool sweep = false;
        std::string input = make_input(l, i, &sweep);
        write_file(g_input_path, input);
        g_index = i;
        LONGLONG t0, t1;
        QueryPerformanceCounter(reinterpret_cast<LARGE_INTEGER *>(&t0));
        g_started = t0;
        Problems problems;
        l.run(g_input_path, problems);
        QueryPerformanceCounter(reinterpret_cast<LARGE_INTEGER *>(&t1));
        g_started = 0;
        double ms = 1000.0 * static_cast<double>(t1 - t0) / g_frequency;
        ++l.inputs;
        l.total_ms += ms;
        if (ms > l.slowest_ms) {
            l.slowest_ms = ms;
            l.slowest_index = i;
            l.slowest_size = input.size();
        }
        if (i % 1000 == 999 || i + 1 == last) {
            if (!HeapValidate(GetProcessHeap(), 0, nullptr)) problems.push_back("process heap damaged");
            // A few handles come and go with the system's own caches; a leak grows without end.
            if (handle_count() > handles_at_start + 64) problems.push_back("file or other handles leak");
            if (gdi_count() > gdi_at_start + 64) problems.push_back("GDI objects leak");
        }
        for (const std::string &what : problems) fail(l, i, what);
        if (g_options.index >= 0) keep_input("input");
        if (i % 20000 == 19999) {
            fprintf(stdout, "  %s: %ld inputs, %ld failures\n", l.name, i + 1, l.failures);
            fflush(stdout);
        }
    }
}

bool wanted(const char *name) {
    if (g_options.only.empty()) return true;
    std::string list = "," + g_options.only + ",";
    return list.find(std::string(",") + name + ",") != std::string::npos;
}

bool parse_options(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const char *v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!v) return false;
        if (a == "--count") g_options.count = atol(v);
        else if (a == "--seed") g_options.seed = strtoull(v, nullptr, 0);
        else if (a == "--only") g_options.only = v;
        else if (a == "--index") g_options.index = atol(v);
        else if (a == "--limit") g_options.limit = atof(v);
        else if (a == "--out") g_options.out = v;
        else return false;
        ++i;
    }
    return g_options.count > 0;
}

// Removes the work folder and the input files in it.
void remove_folder(const std::string &folder) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        do DeleteFileA((folder + d.cFileName).c_str());
        while (FindNextFileA(h, &d));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

int main(int argc, char **argv) {
    if (!parse_options(argc, argv)) {
        fprintf(stdout, "usage: fuzz_loaders [--count N] [--seed S] [--only question,set,editor,bmp,jpeg,png] "
                        "[--index I] [--limit SECONDS] [--out DIR]\n");
        return 64;
    }
    // The JPEG library writes its warnings to the error stream; they are expected here by the thousand.
    freopen("NUL", "w", stderr);
    SetUnhandledExceptionFilter(on_crash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    QueryPerformanceFrequency(reinterpret_cast<LARGE_INTEGER *>(&g_frequency));
    set_message_box_fn(count_box);
    CloseHandle(CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr));

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "zelfuzz" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    g_window = CreateWindowExA(0, "STATIC", "fuzz", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    image_store(kImgWindow, 0, &g_window);
    HWND owner = nullptr;
    set_manager(kSetReset, 0, &owner);
    bool editor_ok = editor_start();
    if (!editor_ok) fprintf(stdout, "the editor's dialog could not be made\n");

    Loader loaders[] = {
        {"question", "qst", run_question, question_seeds(), 0},
        {"set", "set", run_set, set_seeds(), 1},
        {"editor", "qst", run_editor, question_seeds(), 0},
        {"bmp", "bmp", run_bmp, bmp_seeds(), 2},
        {"jpeg", "jpg", run_jpeg, jpeg_seeds(), 3},
        {"png", "png", run_png, png_seeds(), 4},
    };
    printf("seed %llu, %ld inputs per loader, limit %.0f s per input\n",
           static_cast<unsigned long long>(g_options.seed), g_options.index >= 0 ? 1L : g_options.count, g_options.limit);
    long failures = 0;
    for (Loader &l : loaders) {
        if (!wanted(l.name)) continue;
        if (l.run == run_editor && !editor_ok) {
            // Without its dialog the editor's loader has nothing to fill: a failure, not a crash.
            printf("%-8s skipped: no dialog\n", l.name);
            ++failures;
            continue;
        }
        run_loader(l, folder);
        failures += l.failures;
        printf("%-8s %8ld inputs %4ld failures  slowest %8.2f ms (input %ld, %zu bytes)  mean %.3f ms  seeds %zu",
               l.name, l.inputs, l.failures, l.slowest_ms, l.slowest_index, l.slowest_size,
               l.inputs ? l.total_ms / l.inputs : 0.0, l.seeds.size());
        if (l.kind >= 2) printf("  pictures %ld (valid files: %ld)", g_images, l.seeds_loaded);
        printf("\n");
        fflush(stdout);
    }
    printf("message boxes:");
    for (const auto &b : g_boxes) printf(" \"%s\" %ld;", b.first.c_str(), b.second);
    printf("\n%s: %ld failures\n", failures ? "FAILED" : "passed", failures);
    editor_stop();
    DestroyWindow(g_window);
    remove_folder(folder);
    return failures ? 1 : 0;
}

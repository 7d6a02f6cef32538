// Benchmark of the player and the editor: screen composition, hit test and repaint, question
// file loading, the editor's open and save, and the process counters over loads and visitor runs.
// Every time is a median, given beside a floor measured in the same run, because absolute
// times drift on shared machines. "--quick": one repetition, small sizes, for the test run.
#include <windows.h>
#include <commctrl.h>
#include <png.h>
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "BrixLib.h"
#include "LoadQues.h"
#include "QuestionFile.h"
#include "bench_support.h"
#include "font_slot.h"
#include "image_store.h"
#include "log_tally.h"
#include "report_dialog.h"
#include "file_bundle.h"
#include "set_distribution.h"
#include "SetManager_private.h"
#include "visit_log.h"
#include "BrixLib.h"
#include "card_print.h"
#include "result_qr.h"
#include "result_report.h"
#include "result_ranges.h"
#include "kiosk_status.h"
#include "log_spool.h"
#include "result_log.h"
#include "../tests/jpeg_encoder.h"
#include "../tests/png_encoder.h"
#include "player_harness.h"
#include "../zeledit/ListView.h"
#include "../zeledit/mainflame.h"
#include "../zeledit/resource.h"

using namespace bench;

namespace {

bool g_quick = false;
uint64_t g_cache_cap = 256ull * 1024 * 1024;  // "--no-cache": 0, every picture decoded on every visit
int g_misses = 0;

void row(const char *what, double us, double floor_us, double goal_ratio) {
    double ratio = floor_us > 0 ? us / floor_us : 0;
    bool ok = goal_ratio <= 0 || ratio <= goal_ratio;
    if (!ok) ++g_misses;
    char goal[32] = "-";
    if (goal_ratio > 0) snprintf(goal, sizeof goal, "<= %gx", goal_ratio);
    printf("%-44s %12.1f %12.1f %9.2fx  %-8s %s\n", what, us, floor_us, ratio, goal, ok ? "ok" : "MISSED");
}

// The player's window; a missing one is reported and counts as a missed goal.
HWND main_window_or_miss(const PlayerWindow &player) {
    HWND window = player.window();
    if (!window) {
        printf("no main window\n");
        ++g_misses;
    }
    return window;
}

void header(const char *title) {
    printf("\n== %s\n%-44s %12s %12s %10s  %-8s\n", title, "measure", "median us", "floor us", "ratio", "goal");
}

// ---- 1. screen composition -------------------------------------------------------------------

struct Offscreen {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    Offscreen(HDC like, int w, int h) {
        dc = CreateCompatibleDC(like);
        bitmap = CreateCompatibleBitmap(like, w, h);
        if (dc && bitmap) old = SelectObject(dc, bitmap);
    }
    ~Offscreen() {
        if (old) SelectObject(dc, old);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
};

// A w x h RGBA PNG, every pixel half transparent: a wallpaper blended over the background.
std::string half_clear_png(int w, int h) {
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = static_cast<unsigned char>(i * 7);
        pixels[i + 1] = 200;
        pixels[i + 2] = 40;
        pixels[i + 3] = 128;
    }
    return encode_png(w, h, PNG_FORMAT_RGBA, pixels);
}

void bench_composition(const Folder &dir) {
    header("screen composition (question screen: 64x64 wallpaper, 400x300 picture, header, footer, 5 answers)");
    std::string wall = dir.write("wall.bmp", bmp_bytes(64, 64, RGB(40, 90, 160), RGB(60, 120, 200)));
    std::string picture = dir.write("picture.bmp", bmp_bytes(400, 300, RGB(220, 200, 40), RGB(180, 60, 60)));
    std::string quiz = dir.write("screen.qst", quiz_bytes(3, "画面の診断", picture));
    PlayerWindow player(dir.path().c_str());
    HWND window = main_window_or_miss(player);
    if (!window) return;
    open_start_file(window, quiz.c_str());
    image_store(kImgLoadSetWall, 0, const_cast<char *>(wall.c_str()));
    run_engine(kRunChoose, 0, nullptr);  // the first question
    int reps = g_quick ? 1 : 15;
    const int sizes[][2] = {{800, 600}, {1920, 1080}, {3840, 2160}};
    int count = g_quick ? 1 : 3;
    for (int s = 0; s < count; ++s) {
        int w = sizes[s][0], h = sizes[s][1];
        bool sized = player.set_client_size(w, h);
        RECT client;
        GetClientRect(window, &client);
        if (!sized) printf("(client area is %ldx%ld, not %dx%d)\n", client.right, client.bottom, w, h);
        HDC screen = GetDC(window);
        {
            Offscreen mem(screen, client.right, client.bottom), copy(screen, client.right, client.bottom);
            HBRUSH brush = CreateSolidBrush(RGB(0, 160, 0));
            double floor_us = time_us(reps, [&] {
                FillRect(mem.dc, &client, brush);
                BitBlt(copy.dc, 0, 0, client.right, client.bottom, mem.dc, 0, 0, SRCCOPY);
                GdiFlush();
            });
            double compose_us = time_us(reps, [&] {
                compose_screen(window, mem.dc, client, 0, 0);
                GdiFlush();
            });
            char what[64];
            snprintf(what, sizeof what, "compose_screen %dx%d", w, h);
            row(what, compose_us, floor_us, w == 1920 ? 4 : 0);
            if (w == 1920 || g_quick) {
                char *text = nullptr;
                run_engine(kRunChoiceText, 4, &text);
                ChoiceBox last = choice_rect(window, 4);
                // The worst case for one mouse move: over nothing, so every choice is tried.
                double miss_us = time_us(reps * 4, [&] { player.mouse_move(2, 2); });
                double hit_us = time_us(reps * 4, [&] { player.mouse_move(last.x + 1, last.y + 1); });
                row("  hit test, one mouse move over nothing", miss_us, compose_us, 1);
                row("  hit test, one mouse move over answer 5", hit_us, compose_us, 1);
                double paint_us = time_us(reps, [&] {
                    InvalidateRect(window, nullptr, FALSE);
                    player.paint();
                    GdiFlush();
                });
                row("  repaint (WM_PAINT) vs a 60 Hz frame", paint_us, 1e6 / 60, 0.5);
                // Transparent wallpapers of tiny tiles: one blend for all tiles, then copies.
                for (int tile : {1, 8}) {
                    char name[32];
                    snprintf(name, sizeof name, "clear%d.png", tile);
                    std::string clear = dir.write(name, half_clear_png(tile, tile));
                    image_store(kImgLoadSetWall, 0, const_cast<char *>(clear.c_str()));
                    double clear_us = time_us(reps, [&] {
                        compose_screen(window, mem.dc, client, 0, 0);
                        GdiFlush();
                    });
                    snprintf(what, sizeof what, "compose_screen %dx%d, %dx%d clear tiles", w, h, tile, tile);
                    row(what, clear_us, floor_us, w == 1920 ? 4 : 0);
                }
                image_store(kImgLoadSetWall, 0, const_cast<char *>(wall.c_str()));
            }
            DeleteObject(brush);
        }
        ReleaseDC(window, screen);
    }
    image_store(kImgLoadSetWall, 0, const_cast<char *>(""));
}

// ---- 2. loading -------------------------------------------------------------------------------

double read_floor(const std::string &path, int reps) {
    std::string bytes;
    return time_us(reps, [&] {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        bytes.resize(GetFileSize(h, nullptr));
        DWORD got = 0;
        ReadFile(h, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
        CloseHandle(h);
    });
}

double write_floor(const std::string &path, const std::string &bytes, int reps) {
    return time_us(reps, [&] {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD done = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(h);
    });
}

void bench_loading(const Folder &dir) {
    header("player loading (load_question_file_into), five answers, five results");
    std::vector<int> sizes = g_quick ? std::vector<int>{50, 500} : std::vector<int>{50, 5000, 50000};
    std::vector<double> per_question;
    double last = 0;
    for (int n : sizes) {
        std::string path = dir.write("load" + std::to_string(n) + ".qst", quiz_bytes(n, "読み込み"));
        int reps = g_quick ? 1 : (n >= 50000 ? 5 : 9);
        double floor_us = read_floor(path, reps);
        size_t count = 0;
        double load_us = time_us(reps, [&] {
            QuestionFile slot;
            question_file_init(&slot);
            load_question_file_into(&slot, 0, nullptr, path.c_str());
            count = question_file_count(&slot);
            question_file_free(&slot);
        });
        char what[64];
        snprintf(what, sizeof what, "load %d questions (%zu read)", n, count);
        if (count != static_cast<size_t>(n)) ++g_misses;
        row(what, load_us, floor_us, 0);  // information: the record layout sets its cost
        // The records alone are about ten times the file's bytes, and fresh memory costs a page
        // fault per 4 KB on first touch: a part of the load no reader can avoid.
        size_t record_bytes = (static_cast<size_t>(n) + 1) * sizeof(QuestionRecord);
        double touch_us = time_us(reps, [&] {
            void *p = HeapAlloc(GetProcessHeap(), 0, record_bytes);
            if (p) memset(p, 0, record_bytes);
            HeapFree(GetProcessHeap(), 0, p);
        });
        row("  first touch of the records' bytes alone", touch_us, floor_us, 0);
        per_question.push_back(load_us / n);
        last = load_us;
    }
    (void)last;
    if (per_question.size() >= 2) {
        size_t a = per_question.size() - 2, b = per_question.size() - 1;
        double growth = per_question[b] * sizes[b] / (per_question[a] * sizes[a]);
        double linear = static_cast<double>(sizes[b]) / sizes[a];
        printf("growth %d -> %d questions: %.2fx (linear: %.0fx)%s\n", sizes[a], sizes[b], growth, linear,
               growth <= 1.5 * linear ? "  ok" : "  MISSED");
        if (growth > 1.5 * linear) ++g_misses;
    }
}

// ---- 3. editor --------------------------------------------------------------------------------

std::string g_save_target;
BOOL pick_save(OPENFILENAMEA *o) {
    lstrcpynA(o->lpstrFile, g_save_target.c_str(), static_cast<int>(o->nMaxFile));
    return TRUE;
}
BOOL cancel_open(OPENFILENAMEA *) { return FALSE; }

void bench_editor(const Folder &dir) {
    header("editor open (into the list views) and save");
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    MessageBoxFn old_box = set_message_box_fn([](HWND, const char *, const char *, UINT) { return IDOK; });
    CommonDialogs scripted = {cancel_open, pick_save, nullptr, nullptr};
    CommonDialogs old_dialogs = set_common_dialogs(&scripted);
    HMODULE resources = LoadLibraryA("zelbench_editres.dll");
    if (resources) set_editor_instance(resources);
    HWND dialog = resources ? CreateDialogParamA(resources, MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_dialog_proc, 0) : nullptr;
    if (!dialog) {
        printf("no editor dialog\n");
        ++g_misses;
    }
    EditorState *st = editor_state();
    std::vector<int> sizes = g_quick ? std::vector<int>{500} : std::vector<int>{5000, 50000};
    std::vector<double> opens, saves;
    for (int n : sizes) {
        if (!dialog) break;
        std::string path = dir.write("edit" + std::to_string(n) + ".qst", quiz_bytes(n, "編集"));
        int reps = g_quick ? 1 : (n >= 50000 ? 3 : 7);
        double floor_us = read_floor(path, reps);
        auto open = [&] { open_question_file(dialog, &st->questions, &st->results, st->path, path.c_str()); };
        auto empty_editor = [&] {
            lv_list_clear(GetDlgItem(dialog, IDC_MAIN_QUESTIONS), &st->questions);
            lv_list_clear(GetDlgItem(dialog, IDC_MAIN_RESULTS), &st->results);
        };
        double open_us = time_us(reps, empty_editor, open);
        char what[64];
        snprintf(what, sizeof what, "open %d questions (%d in list)", n, liner_count(&st->questions));
        row(what, open_us, floor_us, 0);  // information: the list view sets its cost
        opens.push_back(open_us);
        double reopen_us = time_us(reps, open);
        row("  the same open over an open file of that size", reopen_us, floor_us, 0);
        // What the list view itself costs for the rows, without reading or records.
        HWND view = GetDlgItem(dialog, IDC_MAIN_QUESTIONS);
        static QuestionRecord blank;
        empty_editor();
        double rows_us = time_us(reps, [&] { ListView_DeleteAllItems(view); }, [&] {
            SendMessageA(view, WM_SETREDRAW, FALSE, 0);
            for (int i = 0; i < n; ++i) lv_insert_item(view, i, &blank);
            SendMessageA(view, WM_SETREDRAW, TRUE, 0);
        });
        ListView_DeleteAllItems(view);
        open();
        row("  the list view's rows alone (no file)", rows_us, floor_us, 0);

        g_save_target = dir.path() + "saved" + std::to_string(n) + ".qst";
        double save_us = time_us(reps, [&] { save_question_file(dialog, st->path, &st->questions, &st->results); });
        std::string saved = dir.read("saved" + std::to_string(n) + ".qst");
        double wfloor_us = write_floor(dir.path() + "floor.qst", saved, reps);
        snprintf(what, sizeof what, "save %d questions (%zu bytes)", n, saved.size());
        row(what, save_us, wfloor_us, n <= 5000 ? 20 : 0);
        saves.push_back(save_us);
    }
    if (opens.size() == 2) {
        double linear = static_cast<double>(sizes[1]) / sizes[0];
        printf("growth %d -> %d: open %.2fx, save %.2fx (linear: %.0fx)\n", sizes[0], sizes[1], opens[1] / opens[0],
               saves[1] / saves[0], linear);
        if (opens[1] / opens[0] > 1.5 * linear || saves[1] / saves[0] > 1.5 * linear) ++g_misses;
    }
    if (dialog) DestroyWindow(dialog);
    set_editor_instance(nullptr);
    if (resources) FreeLibrary(resources);
    set_common_dialogs(&old_dialogs);
    set_message_box_fn(old_box);
}

void print_counters(const char *when, const Counters &c);
int visitor_run(const PlayerWindow &p, int file, unsigned *seed);

// ---- 4. latency: a visitor's click to the next screen, pictures included -----------------------

// A JPEG of w x h: smooth colours with some noise, like a photo, at quality 90.
std::string photo_jpeg(int w, int h, int seed) {
    JpegOptions o;
    o.quality = 90;
    unsigned noise = 12345u + seed;
    return encode_jpeg_rows(w, h, o, [&](int y, unsigned char *line) {
        for (int x = 0; x < w; ++x) {
            noise = noise * 1103515245u + 12345u;
            int n = static_cast<int>((noise >> 16) & 15);
            line[x * 3] = static_cast<unsigned char>((x * 255 / w + seed * 40 + n) & 255);
            line[x * 3 + 1] = static_cast<unsigned char>((y * 255 / h + n) & 255);
            line[x * 3 + 2] = static_cast<unsigned char>(((x + y) * 128 / (w + h) + 60 + n) & 255);
        }
    });
}

// A question file whose every question shows its own picture; optionally a wallpaper.
std::string pictured_quiz(const std::string &title, const std::vector<std::string> &pictures, const std::string &wall) {
    std::string t = "N," + title + "\r\n";
    for (size_t i = 0; i < pictures.size(); ++i) {
        t += "Q,設問" + std::to_string(i + 1);
        for (int a = 0; a < 5; ++a) t += ",答え" + std::to_string(a + 1) + "," + std::to_string(5 - a);
        t += "," + pictures[i] + ",600,300\r\n";
    }
    for (int r = 0; r < 5; ++r) t += "S,結果" + std::to_string(r + 1) + "\r\n";
    if (!wall.empty()) t += "QuesWall," + wall + "\r\n";
    return t;
}

// Times of every answer click of visitors through one file: from the click message to the new
// screen's BitBlt (the window is hidden, so its paint is sent rather than left to the system).
std::vector<double> answer_clicks(const PlayerWindow &p, int file, int visitors) {
    std::vector<double> t;
    for (int v = 0; v < visitors; ++v) {
        if (!p.click(file)) break;
        while (run_engine(kRunComment, 0, nullptr) != -1) {
            double a = now_us();
            if (!p.click(0)) break;
            p.paint();
            t.push_back(now_us() - a);
        }
        p.click(kBackSlot);
    }
    return t;
}

void bench_latency(const Folder &dir) {
    header("latency: answer to screen at 1920x1080 (first visitor: pictures decoded; later: cached)");
    int questions = g_quick ? 2 : 6, later = g_quick ? 1 : 5;
    std::vector<std::string> pictures;
    for (int i = 0; i < questions; ++i)
        pictures.push_back(dir.write("photo" + std::to_string(i) + ".jpg", photo_jpeg(1280, 960, i)));
    std::string wall = dir.write("wall1920.jpg", photo_jpeg(1920, 1080, 9));
    std::string plain = dir.write("pictured.qst", pictured_quiz("写真", pictures, ""));
    std::string walled = dir.write("walled.qst", pictured_quiz("壁紙", pictures, wall));
    PlayerWindow player(dir.path().c_str());
    HWND window = main_window_or_miss(player);
    if (!window) return;
    if (!player.set_client_size(1920, 1080)) printf("(client area is not 1920x1080)\n");
    RECT client;
    GetClientRect(window, &client);
    int reps = g_quick ? 1 : 9;
    int w = 0, h = 0;
    double decode_us = time_us(reps, [&] {
        HBITMAP b = load_jpeg_dib(window, pictures[0].c_str(), &w, &h);
        if (b) DeleteObject(b);
    });
    double wall_decode_us = time_us(reps, [&] {
        HBITMAP b = load_jpeg_dib(window, wall.c_str(), &w, &h);
        if (b) DeleteObject(b);
    });
    const double frame_us = 16700;
    for (int with_wall = 0; with_wall < 2; ++with_wall) {
        run_engine(kRunDropAll, 0, nullptr);
        set_image_cache_cap(0);  // the first visitor of the day: nothing decoded yet
        set_image_cache_cap(g_cache_cap);
        open_start_file(window, (with_wall ? walled : plain).c_str());
        std::vector<double> first = answer_clicks(player, 0, 1);
        std::vector<double> again = answer_clicks(player, 0, later);
        // The composition alone of the same screen, the floor the later visitors are held to.
        player.click(0);
        HDC screen = GetDC(window);
        double compose_us;
        {
            Offscreen mem(screen, client.right, client.bottom);
            compose_us = time_us(reps, [&] {
                compose_screen(window, mem.dc, client, 0, 0);
                GdiFlush();
            });
        }
        ReleaseDC(window, screen);
        while (run_engine(kRunComment, 0, nullptr) != -1) player.click(0);
        player.click(kBackSlot);
        const char *what = with_wall ? "answer to screen, 1280x960 JPEG picture + 1920x1080 JPEG wallpaper"
                                     : "answer to screen, 1280x960 JPEG picture, 1920x1080";
        printf("%s\n", what);
        row("  first visitor (against the decode alone)", median(first), decode_us, 0);
        double later_us = median(again);
        row("  later visitors (against the composition)", later_us, compose_us, 3);
        bool in_frame = later_us <= frame_us;
        printf("  later visitors within one 60 Hz frame (16.7 ms): %s\n", in_frame ? "ok" : "MISSED");
        if (!in_frame) ++g_misses;
    }
    // A set of five files, each with a 1920x1080 JPEG wallpaper, and the set's own.
    std::vector<std::string> walls;
    std::string set = "T,ベンチマーク\r\n";
    for (int f = 0; f < 5; ++f) {
        walls.push_back(dir.write("setwall" + std::to_string(f) + ".jpg", photo_jpeg(1920, 1080, 20 + f)));
        set += "Q," + dir.write("set" + std::to_string(f) + ".qst", pictured_quiz("ファイル" + std::to_string(f), {pictures[0]}, walls[f])) + "\r\n";
    }
    set += "SetWall," + wall + "\r\n";
    std::string set_path = dir.write("five.set", set);
    set_image_cache_cap(0);
    set_image_cache_cap(g_cache_cap);
    double a = now_us();
    open_start_file(window, set_path.c_str());
    double first_apply = now_us() - a;
    double again_apply = time_us(reps, [&] { open_start_file(window, set_path.c_str()); });
    row("apply set, five files, 1920x1080 JPEG wallpapers", first_apply, wall_decode_us, 0);
    row("  applied again (against one wallpaper's decode)", again_apply, wall_decode_us, 0);
    printf("decode alone: 1280x960 %.1f us, 1920x1080 %.1f us\n", decode_us, wall_decode_us);

    // 1,000 visitors over 50 distinct pictures: memory stays under the cap, GDI objects flat.
    std::vector<std::string> files;
    int per_file = g_quick ? 2 : 10, runs = g_quick ? 10 : 1000;
    std::string many = "T,五十枚\r\n";
    for (int f = 0; f < 5; ++f) {
        std::vector<std::string> pics;
        for (int q = 0; q < per_file; ++q)
            pics.push_back(dir.write("p" + std::to_string(f) + "_" + std::to_string(q) + ".jpg", photo_jpeg(1280, 960, f * 10 + q)));
        many += "Q," + dir.write("many" + std::to_string(f) + ".qst", pictured_quiz("写真" + std::to_string(f), pics, "")) + "\r\n";
    }
    open_start_file(window, dir.write("many.set", many).c_str());
    unsigned seed = 20261208u;
    for (int i = 0; i < 5; ++i) visitor_run(player, i % 5, &seed);
    Counters c0 = counters();
    for (int i = 0; i < runs; ++i) visitor_run(player, i % 5, &seed);
    Counters c1 = counters();
    print_counters("latency: after the first pass over 5 files", c0);
    char when[64];
    snprintf(when, sizeof when, "latency: after %d visitors, %d pictures", runs, 5 * per_file);
    print_counters(when, c1);
    printf("decoded pictures kept: %.1f MB (cap 256 MB)\n", image_cache_bytes() / 1048576.0);
    bool bounded = c1.private_bytes < 256ull * 1024 * 1024 + c0.private_bytes && c1.gdi == c0.gdi;
    printf("private bytes under the cap plus the program's own, GDI objects flat: %s\n", bounded ? "ok" : "MISSED");
    if (!bounded) ++g_misses;
}

// ---- 5. operator insight: the tally of a season's log and the result check of a long file ----

// The floor a count is measured against: merely reading the file again.
static double read_floor_us(int reps, QuestionFile *file, const std::string &path) {
    return time_us(reps, [&] {
        question_file_empty(file);
        file->highestTotal = file->lowestTotal = 0;
        load_question_file_into(file, 0, nullptr, path.c_str());
    });
}

void bench_insight(const Folder &dir) {
    header("operator insight");
    // As the soak writes: five files of 4 to 8 questions, random answers, some idle returns.
    const int visitors = g_quick ? 2000 : 100000;
    std::string log;
    unsigned seed = 20261208u;
    auto next = [&](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    char line[96];
    for (int v = 0; v < visitors; ++v) {
        unsigned f = next(5), total = 0, questions = 4 + f;
        for (unsigned q = 0; q < questions; ++q) {
            unsigned a = next(4);
            total += 3 - a;
            snprintf(line, sizeof line, "問題%u, 設問%u, 回答%u, 得点%u\r\n", f + 1, q + 1, a + 1, 3 - a);
            log += line;
        }
        snprintf(line, sizeof line, "得点合計, , , ,%u\r\n", total);
        log += line;
        if (next(20) == 0) log += "一定時間経過のためスタート画面に戻りました\r\n";
    }
    std::string path = dir.write("zelm1208.csv", log);
    const QuestionFile *slots[kTallyFiles] = {};
    int reps = g_quick ? 1 : 5;
    double read_us = time_us(reps, [&] {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        std::string bytes(log.size(), '\0');
        DWORD done = 0;
        ReadFile(h, &bytes[0], static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(h);
    });
    size_t rows = 0;
    double tally_us = time_us(reps, [&] {
        LogTally tally;
        tally_log_file(&tally, path.c_str());
        rows = tally_table(tally, slots).size();
    });
    char what[96];
    snprintf(what, sizeof what, "tally, %d visitors (%.1f MB, %u rows)", visitors, log.size() / 1048576.0,
             static_cast<unsigned>(rows));
    row(what, tally_us, read_us, 0);
    row("  against one second", tally_us, 1e6, 1);

    // Visit logs of an event: ten kiosks' files of a day, one row per visitor.
    const int kiosks = 10, per_kiosk = visitors / kiosks;
    std::vector<std::string> visit_paths;
    size_t visit_bytes = 0;
    static const char *const kResults[] = {"大吉", "中吉", "小吉", "吉"};
    for (int k = 0; k < kiosks; ++k) {
        std::string file = visit_header(8);
        VisitRow v;
        v.kiosk = "KIOSK" + std::to_string(k + 1);
        v.set_file = "event.set";
        for (int i = 0; i < per_kiosk; ++i) {
            const int f = static_cast<int>(next(5)), at = 9 * 3600 + i * 3;
            v.start = {2026, 12, 2, 8, static_cast<WORD>(at / 3600), static_cast<WORD>(at / 60 % 60), static_cast<WORD>(at % 60), 0};
            v.end = v.start;
            v.end.wSecond = static_cast<WORD>((v.start.wSecond + 2) % 60);
            v.slot = f + 1;
            v.title = "診断" + std::to_string(f + 1);
            v.answers.assign(static_cast<size_t>(4 + f), VisitAnswer{0, 0});
            v.total = 0;
            for (VisitAnswer &a : v.answers) {
                a.answer = static_cast<int>(next(4)) + 1;
                a.points = 4 - a.answer;
                v.total += a.points;
            }
            v.ending = next(20) ? kVisitCompleted : kVisitResultLeft;
            v.result = kResults[v.total % 4];
            file += visit_row_text(v);
        }
        visit_bytes += file.size();
        visit_paths.push_back(dir.write("visits-2026-12-08-" + v.kiosk + ".csv", file));
    }
    double visit_read_us = time_us(reps, [&] {
        for (const std::string &p : visit_paths) {
            HANDLE h = CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            std::string bytes(GetFileSize(h, nullptr), '\0');
            DWORD done = 0;
            ReadFile(h, &bytes[0], static_cast<DWORD>(bytes.size()), &done, nullptr);
            CloseHandle(h);
        }
    });
    double visit_us = time_us(reps, [&] {
        LogTally tally;
        for (const std::string &p : visit_paths) tally_log_file(&tally, p.c_str());
        rows = tally_table(tally, slots).size();
    });
    snprintf(what, sizeof what, "tally, %d visits in %d kiosk files (%.1f MB)", per_kiosk * kiosks, kiosks,
             visit_bytes / 1048576.0);
    row(what, visit_us, visit_read_us, 0);
    row("  against one second", visit_us, 1e6, 1);
    // The same with a period of a few hours and one kiosk, as an operator leaves rehearsals out.
    double filtered_us = time_us(reps, [&] {
        LogTally tally;
        tally.visits.filter.from = "2026-12-08 11";
        tally.visits.filter.to = "2026-12-08 15";
        tally.visits.filter.kiosks = {"KIOSK1", "KIOSK2"};
        for (const std::string &p : visit_paths) tally_log_file(&tally, p.c_str());
        rows = tally_table(tally, slots).size();
    });
    row("  with a period and kiosk filter, against 1 s", filtered_us, 1e6, 1);

    // The same visits as the HTML report 集計 saves: counted, charted and written to a file. It is
    // aggregated, so its size stays with the quizzes' rows and answers, not with the visits.
    size_t report_bytes = 0;
    const std::string report_path = dir.path() + "\\tally.html";
    double report_us = time_us(reps, [&] {
        LogTally tally;
        for (const std::string &p : visit_paths) tally_log_file(&tally, p.c_str());
        const std::string html = report_html(tally_document(tally, slots, visit_paths));
        report_bytes = html.size();
        save_text_file(report_path.c_str(), html);
    });
    snprintf(what, sizeof what, "HTML report, %d visits (%.2f MB)", per_kiosk * kiosks, report_bytes / 1048576.0);
    row(what, report_us, visit_us, 0);
    row("  against one second", report_us, 1e6, 1);
    row("  size (bytes) against 2 MB", static_cast<double>(report_bytes), 2.0 * 1048576, 1);

    // The result check of long files: a count per total, question by question, exactly. Its work
    // grows with the cube of the questions (totals x questions x the counts' words); what would
    // take much over a second is refused.
    for (int questions : {1000, 2000}) {
        if (g_quick) questions /= 10;
        std::string quiz = "N,長い診断\r\n";
        for (int q = 0; q < questions; ++q) quiz += "Q,q,a,3,b,2,c,1,d,0\r\n";
        quiz += "U,top\r\nS,r1\r\nS,r2\r\nS,r3\r\nS,r4\r\nR,bottom\r\n";
        QuestionFile file = {};
        question_file_init(&file);
        std::string quiz_path = dir.write("long.qst", quiz);
        load_question_file_into(&file, 0, nullptr, quiz_path.c_str());
        double check_us = time_us(reps, [&] { make_result_report(&file); });
        // Past about a second of counting the check refuses at once, before it starts.
        const bool refused = make_result_report(&file).status == kReportTooWide;
        snprintf(what, sizeof what, "result check, %d questions of 4 answers%s", questions, refused ? " (refused)" : "");
        row(what, check_us, 1e6, questions <= 1000 ? 1 : 0);
        question_file_free(&file);
    }

    // 「均等に分ける」 of a wide quiz: 30 questions of 5 answers with points from -100 to 100, the
    // exact count and the best split into five rows, beside the floor of merely reading the file.
    {
        std::string quiz = "N,広い診断\r\n";
        unsigned seed = 38;
        for (int q = 0; q < 30; ++q) {
            quiz += "Q,q";
            for (int a = 0; a < 5; ++a) {
                seed = seed * 1103515245u + 12345u;
                quiz += ",a," + std::to_string(static_cast<int>((seed >> 16) % 201) - 100);
            }
            quiz += "\r\n";
        }
        quiz += "S,r1\r\nS,r2\r\nS,r3\r\nS,r4\r\nS,r5\r\n";
        const std::string quiz_path = dir.write("wide.qst", quiz);
        QuestionFile file = {};
        question_file_init(&file);
        const double read_us = read_floor_us(reps, &file, quiz_path);
        double worst = 0;
        double split_us = time_us(reps, [&] {
            SplitPlan plan = even_split(make_result_report(&file), {});
            worst = plan.worst;
        });
        snprintf(what, sizeof what, "even split, 30x5 points +-100 (off %.2f pt)", worst * 100);
        row(what, split_us, read_us, 0);
        row("  against one second", split_us, 1e6, 1);
        question_file_free(&file);
    }
}

// ---- 5b. the spool: each line on the local disk first, against writing the local log alone ----

BOOL quiet_sound(const char *, HMODULE, DWORD) { return TRUE; }

void bench_spool(const Folder &dir) {
    header("spool: one visit's lines (5 answers, total, visit row) into a local log folder");
    std::string quiz = "N,五問\r\n";
    for (int q = 0; q < 5; ++q) quiz += "Q,q,a,1,b,2\r\n";
    quiz += "S,r\r\n";
    const std::string quiz_path = dir.write("spool.qst", quiz);
    set_log_folder(dir.path().c_str());
    set_visit_log(1, "BENCH", "");
    set_play_sound_fn(quiet_sound);
    run_engine(kRunStart, 0, nullptr);
    char *p = const_cast<char *>(quiz_path.c_str());
    run_engine(kRunLoadFile, 0, &p);
    auto visit = [] {
        for (int x : {0, 1, 0, 1, 0, 1, 5}) run_engine(kRunChoose, x, nullptr);
    };
    // The result screen's own step: the last answer and the total (the visit row goes with 戻る).
    auto to_last_question = [] {
        for (int x : {5, 0, 1, 0, 1, 0}) run_engine(kRunChoose, x, nullptr);
    };
    auto last_answer = [] { run_engine(kRunChoose, 1, nullptr); };
    const int reps = g_quick ? 5 : 200;
    double direct_us = time_us(reps, visit);
    double direct_result_us = time_us(reps, to_last_question, last_answer);
    set_spool_file((dir.path() + "spool.dat").c_str());
    const bool spooled = result_log_open_spool() == 1;
    double spool_us = time_us(reps, visit);
    double spool_result_us = time_us(reps, to_last_question, last_answer);
    run_engine(kRunChoose, 5, nullptr);
    spool_close();
    set_spool_file(nullptr);
    run_engine(kRunEnd, 0, nullptr);
    set_play_sound_fn(nullptr);
    set_visit_log(1, nullptr, nullptr);
    set_log_folder(nullptr);
    if (!spooled) {
        printf("no spool could be opened\n");
        ++g_misses;
    }
    row("a visit, spooled (against the log alone)", spool_us, direct_us, 0);
    row("  the spool's cost over the whole visit", std::max(0.0, spool_us - direct_us), 2000, 0);
    row("the result screen's step, spooled", spool_result_us, direct_result_us, 0);
    row("  the spool's cost there against 2 ms", std::max(0.0, spool_result_us - direct_result_us), 2000, 1);
    // Each line is on the disk before the next screen: one flush per line is the floor of that cost
    // (seven lines a visit, two of them at the result screen).
    HANDLE h = CreateFileA((dir.path() + "flush.dat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    double flush_us = time_us(reps, [&] {
        DWORD n = 0;
        WriteFile(h, "x\n", 2, &n, nullptr);
        FlushFileBuffers(h);
    });
    CloseHandle(h);
    row("  one write and flush of the local disk", flush_us, 2000.0 / 7, 0);

    // The status window's reading: a hundred kiosks' files in the shared folder.
    const std::string status_dir = dir.path() + "status\\";
    CreateDirectoryA(status_dir.c_str(), nullptr);
    for (int k = 0; k < 100; ++k) {
        KioskStatus s;
        s.kiosk = "KIOSK" + std::to_string(k);
        s.computer = "PC" + std::to_string(k);
        s.set_file = "D:\\event\\summer.set";
        s.written_utc = utc_now_ticks();
        write_kiosk_status(status_dir.c_str(), s);
    }
    size_t kiosks = 0;
    double status_us = time_us(g_quick ? 3 : 20, [&] { kiosks = read_kiosk_statuses(status_dir.c_str(), utc_now_ticks()).size(); });
    if (kiosks != 100) ++g_misses;
    for (int k = 0; k < 100; ++k)
        DeleteFileA((status_dir + kiosk_status_name("KIOSK" + std::to_string(k), "PC" + std::to_string(k))).c_str());
    RemoveDirectoryA(status_dir.c_str());
    row("status window: 100 kiosks' files against 200 ms", status_us, 200000, 1);
}

// Type scoring's exact count, 20 questions of 5 answers over 8 types, beside reading the file:
// the usual design, every answer giving one type a point, is counted; a file whose answers give
// one to three points to one type and a point to a second has far more point vectors, and its
// refusal must come as quickly.
void bench_types(const Folder &dir) {
    header("types: the exact count of a type-scored file, beside reading it");
    char what[160];
    const int reps = g_quick ? 1 : 3;
    for (int heavy = 0; heavy < 2; ++heavy) {
        std::string quiz = "N,タイプ診断\r\n";
        std::string links = "TypeScore,0\r\n";
        unsigned seed = 38;
        for (int q = 0; q < 20; ++q) {
            quiz += "Q,q,a,0,b,0,c,0,d,0,e,0\r\n";
            for (int a = 0; a < 5; ++a) {
                seed = seed * 1103515245u + 12345u;
                const std::string answer = "TypePt," + std::to_string(q + 1) + "," + std::to_string(a + 1) + ",";
                links += answer + std::to_string(1 + (q * 3 + a) % 8) + "," + std::to_string(heavy ? 1 + (seed >> 16) % 3 : 1) + "\r\n";
                if (heavy && a % 2) links += answer + std::to_string(1 + (q * 3 + a * 5 + 1) % 8) + ",1\r\n";
            }
        }
        quiz += "S,t1\r\nS,t2\r\nS,t3\r\nS,t4\r\nS,t5\r\nS,t6\r\nS,t7\r\nS,t8\r\n" + links;
        const std::string quiz_path = dir.write("types.qst", quiz);
        QuestionFile file = {};
        question_file_init(&file);
        const double read_us = read_floor_us(reps, &file, quiz_path);
        int status = 0;
        double check_us = time_us(reps, [&] { status = make_result_report(&file).status; });
        snprintf(what, sizeof what, "type check, 20x5, 8 types, %s%s", heavy ? "1-3 points, 2 types" : "1 point each",
                 status == kReportTooWide ? " (refused)" : "");
        row(what, check_us, read_us, 0);
        row("  against two seconds", check_us, 2e6, 1);
        question_file_free(&file);
    }
}

// ---- 6. counters ------------------------------------------------------------------------------

void print_counters(const char *when, const Counters &c) {
    printf("%-46s private %8.1f MB  GDI %4lu  USER %4lu  handles %4lu\n", when, c.private_bytes / 1048576.0, c.gdi, c.user,
           c.handles);
}

// One visitor: the title, an answer to every question, the result and back, painting after each click.
int visitor_run(const PlayerWindow &p, int file, unsigned *seed) {
    int clicks = 0;
    p.paint();
    if (!p.click(file)) return 0;
    p.paint();
    while (run_engine(kRunComment, 0, nullptr) != -1) {
        *seed = *seed * 1103515245u + 12345u;
        int answer = static_cast<int>((*seed >> 16) % 5);
        if (!p.click(answer)) return clicks;
        ++clicks;
        p.paint();
    }
    p.click(kBackSlot);
    p.paint();
    return clicks;
}

void bench_counters(const Folder &dir) {
    printf("\n== process counters\n");
    PlayerWindow player(dir.path().c_str());
    HWND window = player.window();
    if (!window) return;
    player.set_client_size(800, 600);
    std::vector<std::string> big;
    int n = g_quick ? 200 : 5000;
    for (int f = 0; f < 5; ++f) big.push_back(dir.write("big" + std::to_string(f) + ".qst", quiz_bytes(n, "大" + std::to_string(f))));
    Counters before = counters();
    print_counters("before loading", before);
    Counters loaded{}, dropped{}, first_drop{};
    int cycles = g_quick ? 2 : 4;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        for (auto &path : big) {
            char *p = const_cast<char *>(path.c_str());
            run_engine(kRunLoadFile, 0, &p);
        }
        player.paint();
        loaded = counters();
        run_engine(kRunDropAll, 0, nullptr);
        player.paint();
        dropped = counters();
        if (cycle == 0) first_drop = dropped;  // the first cycle creates what stays cached (fonts, brush)
        char when[64];
        snprintf(when, sizeof when, "cycle %d: five files of %d loaded", cycle + 1, n);
        print_counters(when, loaded);
        snprintf(when, sizeof when, "cycle %d: dropped", cycle + 1);
        print_counters(when, dropped);
    }
    if (before.gdi_probed)
        printf("(GetGuiResources gives 0 under this Wine: GDI objects counted by probing each handle index)\n");
    if (before.handles_probed)
        printf("(GetProcessHandleCount gives 0 under this Wine: open handles counted by probing)\n");

    std::vector<std::string> small;
    for (int f = 0; f < 5; ++f) {
        std::string path = dir.write("small" + std::to_string(f) + ".qst", quiz_bytes(4 + f, "小" + std::to_string(f)));
        char *p = const_cast<char *>(path.c_str());
        run_engine(kRunLoadFile, 0, &p);
    }
    unsigned seed = 20240601u;
    int runs = g_quick ? 20 : 1000, warm = g_quick ? 5 : 50;
    for (int i = 0; i < warm; ++i) visitor_run(player, i % 5, &seed);
    Counters v0 = counters();
    long clicks = 0;
    for (int i = 0; i < runs; ++i) clicks += visitor_run(player, i % 5, &seed);
    Counters v1 = counters();
    print_counters("visitor runs: after warm-up", v0);
    char when[64];
    snprintf(when, sizeof when, "visitor runs: after %d runs (%ld answers)", runs, clicks);
    print_counters(when, v1);
    bool flat = v1.gdi == v0.gdi && v1.user == v0.user && v1.handles == v0.handles;
    printf("GDI/USER/handles after visitor runs %s; private bytes %+.1f KB\n", flat ? "equal" : "DIFFER",
           (static_cast<double>(v1.private_bytes) - v0.private_bytes) / 1024.0);
    bool load_flat = dropped.gdi == first_drop.gdi && dropped.user == first_drop.user && dropped.handles == first_drop.handles;
    printf("GDI/USER/handles after the last load-and-drop cycle %s those after the first\n", load_flat ? "equal" : "DIFFER from");
    if (!flat || !load_flat) ++g_misses;
}

// ---- 7. the editor's 「試す」: command to the player's first frame ----------------------------

struct FoundWindow {
    DWORD pid;
    bool shown;
};

BOOL CALLBACK find_shown_player(HWND window, LPARAM data) {
    FoundWindow *f = reinterpret_cast<FoundWindow *>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (pid == f->pid && IsWindowVisible(window) && strcmp(name, "診断Zelmica") == 0) f->shown = true;
    return !f->shown;
}

// A program of the same build, from the benchmark's own folder; "" (and said) when it is missing.
std::string program_beside(const char *relative) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string path = exe;
    path = path.substr(0, path.find_last_of('\\') + 1) + relative;
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
    printf("no program at %s\n", path.c_str());
    return "";
}

// The real player beside the benchmark's build, started as the editor starts it; its window
// shown on screen, then its file read and drawn (the player waits for input).
void bench_preview(const Folder &dir) {
    header("preview: the player in test mode, from the command (floor column: the 1 s budget)");
    const std::string player = program_beside("..\\zelplay\\zelplay.exe");
    if (player.empty()) return;
    std::string quiz = dir.write("preview.qst", "N,試す\r\nQ,q,a,1,b,2\r\nS,r1\r\nS,r2\r\n");
    std::vector<double> shown, ready;
    for (int i = 0, reps = g_quick ? 1 : 5; i < reps; ++i) {
        std::string line = "\"" + player + "\" /test:1024x768 \"" + quiz + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        LARGE_INTEGER f, t0, t1, t2;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&t0);
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            printf("the player could not be started\n");
            ++g_misses;
            return;
        }
        FoundWindow found = {info.dwProcessId, false};
        for (int wait = 0; wait < 2000 && !found.shown; ++wait) {
            EnumWindows(find_shown_player, reinterpret_cast<LPARAM>(&found));
            if (!found.shown) Sleep(2);
        }
        QueryPerformanceCounter(&t1);
        WaitForInputIdle(info.hProcess, 10000);
        QueryPerformanceCounter(&t2);
        TerminateProcess(info.hProcess, 0);
        WaitForSingleObject(info.hProcess, 5000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        shown.push_back(1e6 * (t1.QuadPart - t0.QuadPart) / f.QuadPart);
        ready.push_back(1e6 * (t2.QuadPart - t0.QuadPart) / f.QuadPart);
    }
    row("command to the player's window on screen", median(shown), 1e6, 1.0);
    row("command to the file drawn, waiting for input", median(ready), 1e6, 1.0);
}

// ---- 8. closing the editor: unchanged, and after いいえ to the save question ----------------------

struct EditorWindows {
    DWORD pid;
    HWND skip, found;  // found: a shown dialog of the process other than skip
};

BOOL CALLBACK find_editor_dialog(HWND window, LPARAM data) {
    EditorWindows *e = reinterpret_cast<EditorWindows *>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (pid == e->pid && window != e->skip && IsWindowVisible(window) && strcmp(name, "#32770") == 0) e->found = window;
    return !e->found;
}

HWND wait_for_dialog(DWORD pid, HWND skip) {
    EditorWindows e = {pid, skip, nullptr};
    for (int wait = 0; wait < 2500 && !e.found; ++wait) {
        EnumWindows(find_editor_dialog, reinterpret_cast<LPARAM>(&e));
        if (!e.found) Sleep(2);
    }
    return e.found;
}

// The real editor beside the benchmark's build, closed from outside: the time from 閉じる (or from
// いいえ) until its process has ended. A 2 s wait here once was Wine's for a window manager.
void bench_close(const Folder &dir) {
    header("close: the editor's close to its end (floor column: the 1 s budget)");
    const std::string editor = program_beside("..\\zeledit\\zeledit.exe");
    if (editor.empty()) return;
    std::string quiz = dir.write("close.qst", "N,閉じる\r\nQ,q,a,1,b,2\r\nS,r1\r\n");
    std::vector<double> times[2];
    for (int i = 0, reps = g_quick ? 1 : 5; i < reps; ++i) {
        for (int edited = 0; edited < 2; ++edited) {
            char copy[kPathSize];
            if (recovery_path(copy)) DeleteFileA(copy);  // else the start would offer it first
            std::string line = "\"" + editor + "\" \"" + quiz + "\"";
            STARTUPINFOA startup = {};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION info = {};
            if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
                printf("the editor could not be started\n");
                ++g_misses;
                return;
            }
            WaitForInputIdle(info.hProcess, 10000);
            HWND dialog = wait_for_dialog(info.dwProcessId, nullptr);
            LARGE_INTEGER f, t0, t1;
            QueryPerformanceFrequency(&f);
            bool closed = dialog != nullptr;
            if (closed && edited) SetDlgItemTextA(dialog, IDC_MAIN_TITLE, "変えた題");
            QueryPerformanceCounter(&t0);
            if (closed) PostMessageA(dialog, WM_CLOSE, 0, 0);
            if (closed && edited) {
                HWND box = wait_for_dialog(info.dwProcessId, dialog);
                closed = box != nullptr;
                QueryPerformanceCounter(&t0);
                if (closed) PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDNO)));
            }
            closed = closed && WaitForSingleObject(info.hProcess, 10000) == WAIT_OBJECT_0;
            QueryPerformanceCounter(&t1);
            if (!closed) {
                TerminateProcess(info.hProcess, 0);
                WaitForSingleObject(info.hProcess, 5000);
                printf("the editor did not close\n");
                ++g_misses;
            }
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
            if (closed) times[edited].push_back(1e6 * (t1.QuadPart - t0.QuadPart) / f.QuadPart);
        }
    }
    if (!times[0].empty()) row("close, nothing changed: to the process's end", median(times[0]), 1e6, 1.0);
    if (!times[1].empty()) row("No to the save question: to the process's end", median(times[1]), 1e6, 1.0);
}

// The result screen with and without its QR code, and the print choice's hand-off: the screen
// waits only for the job to be passed to the print thread, and the thread for the seam's call.
void bench_card(const Folder &dir) {
    header("result card (floor column: the budget; 2 ms for the code, 300 ms for the hand-off)");
    std::string quiz = dir.write("card.qst", "QrDefault,https://example.com/kekka?t={title}&k={kiosk}&c={code}\r\n" +
                                                 quiz_bytes(3, "カードの診断"));
    PlayerWindow player(dir.path().c_str());
    HWND window = main_window_or_miss(player);
    if (!window) return;
    open_start_file(window, quiz.c_str());
    for (int i = 0; i < 20 && run_engine(kRunComment, 0, nullptr) != -1; ++i) run_engine(kRunChoose, 0, nullptr);
    player.set_client_size(1920, 1080);
    RECT client;
    GetClientRect(window, &client);
    const QuestionFile *file = loaded_question_file(run_engine(kRunCurrentFile, 0, nullptr));
    ResultRecord row_now{};
    char *title = nullptr;
    run_engine(kRunMainText, 0, &title);
    copy_cut(row_now.title, sizeof row_now.title, title ? title : "");
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int reps = g_quick ? 3 : 31;
    HDC screen = GetDC(window);
    {
        Offscreen mem(screen, client.right, client.bottom);
        double without_us = time_us(reps, [&] { result_qr_clear(); }, [&] {
            compose_screen(window, mem.dc, client, 0, 0);
            GdiFlush();
        });
        double with_us = time_us(reps, [&] {
            result_qr_prepare(file, &row_now, 12, now, "KIOSK-01");
            compose_screen(window, mem.dc, client, 0, 0);
            GdiFlush();
        });
        row("QR code built and drawn, added to 1920x1080", std::max(0.0, with_us - without_us), 2000, 1.0);
    }
    ReleaseDC(window, screen);
    static LARGE_INTEGER s_called;
    CardPrintFn old = set_card_print_fn([](const CardJob &) {
        QueryPerformanceCounter(&s_called);
        return true;
    });
    set_card_printing(kCardPrintButton, "", kPaperRoll80);
    std::vector<double> blocked, handed;
    for (int i = 0; i < reps; ++i) {
        result_qr_prepare(file, &row_now, 12, now, "KIOSK-01");
        reset_card_print_for_result();
        s_called.QuadPart = 0;
        LARGE_INTEGER f, t0, t1;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&t0);
        request_card_print(nullptr, false);
        QueryPerformanceCounter(&t1);
        for (int wait = 0; wait < 2000 && !result_card_print(); ++wait) Sleep(1);
        blocked.push_back(1e6 * (t1.QuadPart - t0.QuadPart) / f.QuadPart);
        handed.push_back(1e6 * (s_called.QuadPart - t0.QuadPart) / f.QuadPart);
    }
    row("print choice: the screen waits", median(blocked), 300000, 1.0);
    row("print choice to the spooler seam's call", median(handed), 300000, 1.0);
    set_card_printing(kCardPrintOff, "", kPaperA4);
    set_card_print_fn(old);
}

}  // namespace

// ---- 9. a set gathered into one folder ---------------------------------------------------------

void copy_tree(const std::string &from, const std::string &to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((from + "\\*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) copy_tree(from + "\\" + name, to + "\\" + name);
        else CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
    } while (FindNextFileA(h, &d));
    FindClose(h);
}

void bench_bundle(const Folder &dir) {
    header("a set gathered into one folder, and looked at as a distribution folder (against 10 ms)");
    // The sample as installed: sample.set beside sample\.
    std::string source = std::string("Z:") + ZEL_SAMPLE_DIR;
    std::replace(source.begin(), source.end(), '/', '\\');
    const std::string app = dir.path() + "app", usb = dir.path() + "usb";
    CreateDirectoryA(app.c_str(), nullptr);
    copy_tree(source, app + "\\sample");
    MoveFileA((app + "\\sample\\sample.set").c_str(), (app + "\\sample.set").c_str());
    CreateDirectoryA(usb.c_str(), nullptr);
    BundleOutcome o;
    const double us = time_us(g_quick ? 1 : 5, [&] { o = bundle_files((app + "\\sample.set").c_str(), set_path_field, usb.c_str()); });
    char what[96];
    snprintf(what, sizeof what, "the sample set: %zu files, %zu missing%s", o.copied, o.missing.size(), o.done ? "" : " (FAILED)");
    row(what, us, 1e6, 1);
    if (!o.done) {
        ++g_misses;
        printf("%s\n", o.failure.c_str());
    } else {
        // The gathered sample as a 配布フォルダー: the look every kiosk makes every 30 s, unchanged.
        const std::string local = dir.path() + "local\\";
        CreateDirectoryA(local.c_str(), nullptr);
        DistMemory memory;
        look_at_distribution(o.folder, "sample.set", local, &memory);
        const DistLook ready = look_at_distribution(o.folder, "sample.set", local, &memory);
        DistLook same;
        const double look_us = time_us(g_quick ? 3 : 20, [&] { same = look_at_distribution(o.folder, "sample.set", local, &memory); });
        snprintf(what, sizeof what, "distribution folder: a look, %zu files same", memory.verified.size());
        row(what, look_us, 10000, 1);
        if (ready.outcome != kDistReady || same.outcome != kDistUnchanged) {
            ++g_misses;
            printf("the look did not take the sample: %s\n", ready.problem.c_str());
        }
        remove_tree(local);
    }
    remove_tree(app);
    remove_tree(usb);
}

int main(int argc, char **argv) {
    // Section names (compose, load, editor, counters, latency, insight, preview, close, bundle, spool, card, types) pick sections; none: all of them.
    std::vector<std::string> only;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--quick")) g_quick = true;
        else if (!strcmp(argv[i], "--no-cache")) g_cache_cap = 0;
        else only.push_back(argv[i]);
    }
    auto wanted = [&](const char *name) { return only.empty() || std::find(only.begin(), only.end(), name) != only.end(); };
    setvbuf(stdout, nullptr, _IONBF, 0);
    Folder dir;
    printf("zelbench%s: times are medians in microseconds; ratios are to the floor of the same row\n",
           g_quick ? " (quick)" : "");
    if (wanted("compose")) bench_composition(dir);
    if (wanted("load")) bench_loading(dir);
    if (wanted("editor")) bench_editor(dir);
    if (wanted("counters")) bench_counters(dir);
    if (wanted("latency")) bench_latency(dir);
    if (wanted("card")) bench_card(dir);
    if (wanted("insight")) bench_insight(dir);
    if (wanted("spool")) bench_spool(dir);
    if (wanted("preview")) bench_preview(dir);
    if (wanted("close")) bench_close(dir);
    if (wanted("bundle")) bench_bundle(dir);
    if (wanted("types")) bench_types(dir);
    printf("\n%d goal(s) missed\n", g_misses);
    // Slowness is reported, not failed: the quick run checks only that everything ran.
    return 0;
}

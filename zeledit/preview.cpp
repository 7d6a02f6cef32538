// 「試す」: the dialog's current contents played by the player beside the editor, in its test mode,
// through a copy beside the open file that goes when the preview ends.
#include "mainflame.h"
#include "BrixLib.h"
#include "LoadQues.h"
#include "message_box.h"
#include "resource.h"
#include "shell_seam.h"
#include <stdio.h>
#include <string.h>
#include <string>

namespace {

const char kCaption[] = "試す";
const char kPlayerName[] = "zelplay.exe";
const char kSizeSetting[] = "PreviewSize";
// The player's size switches, in the order of the menu's size items.
const char *const kSizeSwitches[kPreviewSizes] = {"/test:1024x768", "/test:1280x720", "/test:1920x1080", "/test:full"};
enum { kQuickExitMillis = 3000, kPreviewTickMillis = 500 };

HANDLE g_player;  // the running preview, or null
DWORD g_started_at;
char g_copy[kPathSize];

int stored_size() {
    std::string text = load_user_text(kSizeSetting);
    int size = text.size() == 1 ? text[0] - '0' : 1;
    return size >= 0 && size < kPreviewSizes ? size : 1;
}

void check_size(HWND dialog, int size) {
    HMENU menu = GetMenu(dialog);
    if (menu)
        CheckMenuRadioItem(menu, ID_PREVIEW_SIZE_FIRST, ID_PREVIEW_SIZE_FIRST + kPreviewSizes - 1, ID_PREVIEW_SIZE_FIRST + size,
                           MF_BYCOMMAND);
}

bool folder_writable(const char *folder) {
    char probe[kPathSize];
    if (snprintf(probe, sizeof probe, "%s~zelmica%lu.tmp", folder, GetCurrentProcessId()) >= static_cast<int>(sizeof probe))
        return false;
    HANDLE h = CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
    CloseHandle(h);
    return true;
}

void say(HWND dialog, const char *format, const char *path, UINT icon) {
    char text[kPathSize + 256];
    snprintf(text, sizeof text, format, path);
    show_message_box(dialog, text, kCaption, MB_OK | icon);
}

void start_preview(HWND dialog) {
    char player[kPathSize];
    if (!module_folder(player) || strlen(player) + sizeof kPlayerName > sizeof player) return;
    strcat(player, kPlayerName);
    if (GetFileAttributesA(player) == INVALID_FILE_ATTRIBUTES) {
        say(dialog, "プレーヤー「%s」が見つかりません。\r\nエディタと同じフォルダーに zelplay.exe を置いてください。", player,
            MB_ICONWARNING);
        return;
    }
    end_preview();  // a second 「試す」 replaces the first
    char folder[kPathSize] = "";
    EditorState *s = editor_state();
    if (s->path && s->path[0]) path_folder(s->path, folder);
    else if (GetCurrentDirectoryA(sizeof folder, folder) < sizeof folder - 1) {
        // A file never saved: the editor's working folder, where its pictures were chosen from.
        size_t n = strlen(folder);
        if (n && folder[n - 1] != '\\') memcpy(folder + n, "\\", 2);
    }
    if (!preview_copy_path(s->path, folder, g_copy)) {
        say(dialog,
            "「%s」の隣に置く試し用の控え（~試す…）のパスが長すぎるため、試せません。\r\n"
            "浅いフォルダーに保存するか、ファイル名を短くしてください。",
            s->path && s->path[0] ? s->path : folder, MB_ICONWARNING);
        return;
    }
    if (!folder_writable(folder)) {
        g_copy[0] = '\0';
        say(dialog, "フォルダー「%s」に一時ファイルを書き込めないため、試せません。", folder, MB_ICONWARNING);
        return;
    }
    // The same writer and the same refusals as 保存, into the copy.
    if (!save_question_file_to(dialog, g_copy, &s->questions, &s->results)) {
        g_copy[0] = '\0';
        return;
    }
    char line[2 * kPathSize + 32];
    snprintf(line, sizeof line, "\"%s\" %s \"%s\"", player, kSizeSwitches[stored_size()], g_copy);
    g_player = start_program_watched(line);
    if (!g_player) {
        const bool too_long = GetLastError() == ERROR_FILENAME_EXCED_RANGE;
        DeleteFileA(g_copy);
        g_copy[0] = '\0';
        say(dialog,
            too_long ? "プレーヤー「%s」を起動できませんでした。\r\nコマンドラインが Windows の上限（32,767 文字）を超えています。"
                     : "プレーヤー「%s」を起動できませんでした。",
            player, MB_ICONWARNING);
        return;
    }
    g_started_at = GetTickCount();
    SetTimer(dialog, kPreviewTimer, kPreviewTickMillis, nullptr);
}

}  // namespace

bool preview_copy_path(const char *path, const char *folder, char *out) {
    const char *name = path && path[0] ? path_file_name(const_cast<char *>(path)) : "新規.qst";
    int n = snprintf(out, kPathSize, "%s~試す%lu_%s", folder, GetCurrentProcessId(), name);
    if (n < 0 || n >= kPathSize) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool preview_command(HWND dialog, int id) {
    if (id == IDC_MAIN_PREVIEW) {
        start_preview(dialog);
        return true;
    }
    if (id < ID_PREVIEW_SIZE_FIRST || id >= ID_PREVIEW_SIZE_FIRST + kPreviewSizes) return false;
    char text[2] = {static_cast<char>('0' + id - ID_PREVIEW_SIZE_FIRST), '\0'};
    store_user_text(kSizeSetting, text);
    check_size(dialog, id - ID_PREVIEW_SIZE_FIRST);
    return true;
}

void preview_menu_init(HWND dialog) { check_size(dialog, stored_size()); }

void on_preview_timer(HWND dialog) {
    if (!g_player || WaitForSingleObject(g_player, 0) != WAIT_OBJECT_0) return;
    DWORD code = 0;
    GetExitCodeProcess(g_player, &code);
    bool quick = GetTickCount() - g_started_at < kQuickExitMillis;
    end_preview();
    KillTimer(dialog, kPreviewTimer);
    if (quick) {
        char text[256];
        snprintf(text, sizeof text, "プレーヤーがすぐに終了しました（終了コード %lu）。\r\nプレーヤーと問題の内容を確かめてください。",
                 static_cast<unsigned long>(code));
        show_message_box(dialog, text, kCaption, MB_OK | MB_ICONWARNING);
    }
}

void end_preview() {
    if (g_player) {
        // The player in test mode writes nothing: ending it loses nothing.
        if (g_player != INVALID_HANDLE_VALUE) {
            if (WaitForSingleObject(g_player, 0) != WAIT_OBJECT_0) {
                TerminateProcess(g_player, 0);
                WaitForSingleObject(g_player, 2000);
            }
            CloseHandle(g_player);
        }
        g_player = nullptr;
    }
    if (g_copy[0]) DeleteFileA(g_copy);
    g_copy[0] = '\0';
}

bool preview_running() { return g_player != nullptr; }

const char *preview_copy() { return g_copy; }

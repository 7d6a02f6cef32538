// Failure reports and allocation: every failure shows the system's own text on the spot.
#include "imemory.h"
#include "message_box.h"
#include <stdio.h>
#include <string.h>

static const char kNoText[] = "FormatMessage return zero.";
enum { kComposedSize = 256 };

// Returns the system text for the last error (caller frees with LocalFree), or null.
static char *last_error_text() {
    char *text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<char *>(&text), 0, nullptr);
    if (n == 0) {
        if (text) LocalFree(text);
        return nullptr;
    }
    return text;
}

static HWND g_error_owner = nullptr;

void set_error_owner(HWND owner) { g_error_owner = owner; }

void i_show_last_error(const char *caption) {
    char *text = last_error_text();
    show_message_box(g_error_owner, text ? text : kNoText, caption, MB_OK | MB_ICONINFORMATION);
    if (text) LocalFree(text);
}

std::string file_error_text(const char *path, DWORD code) {
    std::string text = std::string("「") + (path ? path : "") + "」を開けません。\r\n";
    char *system = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char *>(&system), 0,
                             nullptr);
    if (n && system) text += system;
    if (system) LocalFree(system);
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_NOT_READY:
            text += "\r\nファイルが移されたか、USB メモリーなどが外されています。フォルダーごとそろえてから開き直してください。";
            break;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            text += "\r\nほかのプログラムが使っています。そのプログラムで閉じてから開き直してください。";
            break;
        case ERROR_ACCESS_DENIED:
            text += "\r\n読む許可がありません。ほかの場所にコピーしてから開いてください。";
            break;
        default: text += "\r\nファイルの場所と名前を確かめてから開き直してください。"; break;
    }
    return text;
}

void i_show_file_error(const char *caption, const char *path) {
    DWORD code = GetLastError();
    show_message_box(g_error_owner, file_error_text(path, code).c_str(), caption, MB_OK | MB_ICONWARNING);
    SetLastError(code);
}

// Cuts a too long text at a character boundary so no double-byte character is split.
static void cut_to_fit(char *buf, size_t written) {
    size_t end = 0, i = 0;
    while (i < written && buf[i]) {
        size_t step = IsDBCSLeadByteEx(932, static_cast<BYTE>(buf[i])) ? 2 : 1;
        if (i + step > written) break;
        i += step;
        end = i;
    }
    buf[end] = '\0';
}

void i_show_last_error_at(const char *caption, const char *file, int line) {
    char *text = last_error_text();
    if (!text) {
        show_message_box(g_error_owner, kNoText, caption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    char composed[kComposedSize];
    int n = snprintf(composed, sizeof composed, "%s : line %d. %s", file ? file : "", line, text);
    if (n < 0 || static_cast<size_t>(n) >= sizeof composed) cut_to_fit(composed, sizeof composed - 1);
    show_message_box(g_error_owner, composed, caption, MB_OK | MB_ICONINFORMATION);
    LocalFree(text);
}

void *i_heap_calloc(size_t count, size_t size, const char *file, int line) {
    void *p = nullptr;
    if (size == 0 || count <= static_cast<size_t>(-1) / size)
        p = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * size);
    else
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    if (!p) i_show_last_error_at("HeapAlloc return NULL in i_calloc.", file, line);
    return p;
}

void *i_try_realloc(void *block, size_t bytes) {
    return block ? HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, block, bytes)
                 : HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
}

void *i_realloc(void *block, size_t bytes, const char *file, int line) {
    void *p = i_try_realloc(block, bytes);
    if (!p) i_show_last_error_at("HeapReAlloc return NULL in i_realloc.", file, line);
    return p;
}

void i_heap_free(void *block, const char *, int) {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}

void *i_calloc(size_t count, size_t size, const char *file, int line) {
    HGLOBAL h = nullptr;
    if (size == 0 || count <= static_cast<size_t>(-1) / size)
        h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, count * size);
    else
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    if (!h) i_show_last_error_at("GlobalAlloc return NULL in i_calloc.", file, line);
    void *p = h ? GlobalLock(h) : nullptr;
    if (!p) i_show_last_error_at("GlobalLock return NULL in i_calloc.", file, line);
    return p;
}

HGLOBAL i_free(void *block, const char *file, int line) {
    HGLOBAL h = block ? GlobalHandle(block) : nullptr;
    if (!h) {
        i_show_last_error_at("GlobalHandle return NULL in i_free.", file, line);
        return nullptr;
    }
    GlobalUnlock(h);
    return GlobalFree(h);
}

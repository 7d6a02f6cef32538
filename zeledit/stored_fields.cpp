// Refuses typed text that the question file could not hold as typed: the field is named, gets the
// focus, and its dialog stays open, so nothing is cut or lost on the way to the file.
#include "mainflame.h"
#include "imemory.h"
#include "message_box.h"
#include "question_codec.h"
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

namespace {

const char kCaption[] = "入力の確認";

// The box's whole text, however long; null when there is no memory (then nothing is refused).
char *whole_text(HWND box) {
    int length = GetWindowTextLengthA(box);
    char *text = static_cast<char *>(I_HEAP_CALLOC(static_cast<size_t>(length > 0 ? length : 0) + 1, 1));
    if (text && length > 0) GetWindowTextA(box, text, length + 1);
    return text;
}

}  // namespace

bool stored_text_fits(const char *text, int kind, size_t max) {
    if (kind == kStoredPath) return strlen(text) <= max && stored_path_fits(text);
    return stored_length(text, kind) <= max;
}

void report_stored_field(HWND owner, const char *name, int kind, size_t max) {
    char message[512];
    if (kind == kStoredPath)
        snprintf(message, sizeof message, "「%s」のパスは半角%u文字までで、カンマ（,）は使えません。", name,
                 static_cast<unsigned>(max));
    else
        snprintf(message, sizeof message,
                 "「%s」が長すぎます。\r\n保存できるのは半角%u文字分までです"
                 "（全角文字は2文字分、%sカンマは4文字分に数えます）。",
                 name, static_cast<unsigned>(max), kind == kEscapeFull ? "改行と" : "");
    show_message_box(owner, message, kCaption, MB_OK | MB_ICONWARNING);
}

bool stored_fields_fit(HWND dialog, const StoredField *fields, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        HWND box = GetDlgItem(dialog, fields[i].box);
        char *text = whole_text(box);
        bool fits = !text || stored_text_fits(text, fields[i].kind, fields[i].max);
        I_HEAP_FREE(text);
        if (fits) continue;
        report_stored_field(dialog, fields[i].name, fields[i].kind, fields[i].max);
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
        return false;
    }
    return true;
}

namespace {

// A multi-line edit box in a dialog answers Esc by closing its dialog, which drops the entry.
LRESULT CALLBACK swallow_escape(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    if ((message == WM_KEYDOWN || message == WM_CHAR) && wparam == VK_ESCAPE) return 0;
    if (message == WM_NCDESTROY) RemoveWindowSubclass(box, swallow_escape, 0);
    return DefSubclassProc(box, message, wparam, lparam);
}

}  // namespace

void keep_escape_in_box(HWND box) { SetWindowSubclass(box, swallow_escape, 0, 0); }

// List-view rows that point at LinerList records and take their text from the owner on demand.
#include "reading.h"
#include "ListView.h"
#include "dpi.h"
#include "imemory.h"
#include "BrixLib.h"
#include <commctrl.h>
#include <string.h>

static const char kSource[] = "ListView";

int lv_add_columns(HWND view, int count, size_t header_size, const int *widths, const int *limits,
                   const char *const *headers) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    // The rows' texts are asked for in UTF-16 (see lv_display_text).
    SendMessageA(view, CCM_SETUNICODEFORMAT, TRUE, 0);
    if (header_size == 0) return 0;
    char *header = static_cast<char *>(i_heap_calloc(header_size, 1, kSource, __LINE__));
    if (!header) return 0;
    int ok = 1;
    // The widths count in 96-DPI pixels, like the dialog's own units at that scale.
    const int dpi = window_dpi(view);
    for (int i = 0; i < count; ++i) {
        header[0] = '\0';
        strncat(header, headers[i], header_size - 1);
        LVCOLUMNA column;
        memset(&column, 0, sizeof column);
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = to_dpi(widths[i], dpi);
        column.pszText = header;
        column.cchTextMax = limits ? limits[i] : 0;
        column.iSubItem = i;
        if (SendMessageA(view, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column)) < 0) {
            ok = 0;
            break;
        }
    }
    i_heap_free(header, kSource, __LINE__);
    return ok;
}

wchar_t lv_line_break_sign(HWND view) {
    // Asked once per font: a cell is drawn far more often than the font changes.
    static HFONT asked = nullptr;
    static wchar_t sign = kLineBreakSign;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(view, WM_GETFONT, 0, 0));
    if (font == asked && asked) return sign;
    sign = kLineBreakSign;
    HDC dc = GetDC(view);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
        const wchar_t signs[2] = {kLineBreakSign, kLineBreakFallback};
        WORD glyphs[2] = {0, 0};
        if (GetGlyphIndicesW(dc, signs, 2, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == 2 && glyphs[0] == 0xFFFF &&
            glyphs[1] != 0xFFFF)
            sign = kLineBreakFallback;
        SelectObject(dc, old);
        ReleaseDC(view, dc);
    }
    asked = font;
    return sign;
}

void lv_display_text(const char *text, wchar_t sign, wchar_t *out, int size, bool readings) {
    if (size <= 0) return;
    out[0] = L'\0';
    wchar_t wide[kLineSize];
    // The list shows what the player shows as base text; editing a label works on the notation.
    const std::string shown = readings ? std::string(text ? text : "") : plain_text(text);
    int n = MultiByteToWideChar(932, 0, shown.c_str(), -1, wide, kLineSize);
    if (n <= 0) return;
    wide[kLineSize - 1] = L'\0';
    int k = 0;
    for (const wchar_t *p = wide; *p && k < size - 1; ++p) {
        if (*p == L'\r' || *p == L'\n') {
            if (*p == L'\r' && p[1] == L'\n') ++p;
            out[k++] = sign;
        } else {
            out[k++] = *p;
        }
    }
    out[k] = L'\0';
}

void lv_stored_text(const wchar_t *text, char *out, size_t size) {
    if (!size) return;
    out[0] = '\0';
    size_t k = 0;
    for (const wchar_t *p = text; *p; ++p) {
        char piece[8];
        int n = 0;
        if (*p == kLineBreakSign || *p == kLineBreakFallback) {
            piece[n++] = '\r';
            piece[n++] = '\n';
        } else {
            n = WideCharToMultiByte(932, 0, p, 1, piece, sizeof piece, "?", nullptr);
        }
        if (n <= 0 || k + static_cast<size_t>(n) >= size) break;
        memcpy(out + k, piece, static_cast<size_t>(n));
        k += static_cast<size_t>(n);
    }
    out[k] = '\0';
}

int lv_insert_item(HWND view, int row, void *record) {
    LVITEMA item;
    memset(&item, 0, sizeof item);
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = LPSTR_TEXTCALLBACKA;
    item.lParam = reinterpret_cast<LPARAM>(record);
    return SendMessageA(view, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) >= 0 ? 1 : 0;
}

int lv_append_item(HWND view, void *record) {
    return lv_insert_item(view, ListView_GetItemCount(view), record);
}

void lv_set_item(HWND view, int row, void *record) {
    LVITEMA item;
    memset(&item, 0, sizeof item);
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = LPSTR_TEXTCALLBACKA;
    item.lParam = reinterpret_cast<LPARAM>(record);
    SendMessageA(view, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    ListView_RedrawItems(view, row, row);
}

int lv_first_selected(HWND view) { return ListView_GetNextItem(view, -1, LVNI_SELECTED); }

void lv_set_selected_item(HWND view, void *record) {
    int row = lv_first_selected(view);
    if (row >= 0) lv_set_item(view, row, record);
}

void lv_delete_all(HWND view) {
    // One message instead of one per row: row by row costs a repaint each.
    if (ListView_DeleteAllItems(view)) return;
    while (ListView_GetItemCount(view) > 0)
        if (!ListView_DeleteItem(view, 0)) break;
}

int lv_get_item_data(HWND view, int row, void *dest, size_t size) {
    LVITEMA item;
    memset(&item, 0, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = row;
    int got = static_cast<int>(SendMessageA(view, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (got && item.lParam) memcpy(dest, reinterpret_cast<const void *>(item.lParam), size);
    return got;
}

void lv_get_selected_data(HWND view, void *dest, size_t size) {
    int row = lv_first_selected(view);
    if (row >= 0) lv_get_item_data(view, row, dest, size);
}

static int index_of(ListNode *list, const ListNode *element) {
    int i = 0;
    for (ListNode *e = list->next; e; e = e->next, ++i)
        if (e == element) return i;
    return -1;
}

int lv_list_append(HWND view, ListNode *list, const void *record, size_t size) {
    return lv_list_append_from(view, list, record, size) ? 1 : 0;
}

ListNode *lv_list_append_from(HWND view, ListNode *from, const void *record, size_t size) {
    ListNode *e = liner_append_from(from, record, size);
    return e && lv_append_item(view, e->data) ? e : nullptr;
}

int lv_list_insert(HWND view, ListNode *list, int position, const void *record, size_t size) {
    ListNode *e = liner_insert(list, position, record, size);
    if (!e) return 0;
    return lv_insert_item(view, index_of(list, e), e->data);
}

void lv_list_remove(HWND view, ListNode *list, int n) {
    // The list clamps a position past its end to the last element; a row must not be left behind.
    if (n < 0 || n >= liner_count(list)) return;
    liner_remove(list, n);
    ListView_DeleteItem(view, n);
}

void lv_list_remove_selected(HWND view, ListNode *list) {
    int row;
    int guard = liner_count(list);
    while ((row = lv_first_selected(view)) >= 0 && guard-- > 0) lv_list_remove(view, list, row);
}

void lv_list_clear(HWND view, ListNode *list) {
    lv_delete_all(view);
    liner_clear(list);
}

// Rows a and b were swapped in the list: re-point both and leave only b selected and focused.
static void after_swap(HWND view, ListNode *list, int a, int b) {
    lv_set_item(view, a, liner_get(list, a));
    lv_set_item(view, b, liner_get(list, b));
    ListView_SetItemState(view, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(view, b, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetFocus(view);
}

int lv_list_move_up(HWND view, ListNode *list, int n, size_t) {
    if (!liner_move_up(list, n)) return 0;
    after_swap(view, list, n, n - 1);
    return 1;
}

int lv_list_move_down(HWND view, ListNode *list, int n, size_t) {
    if (!liner_move_down(list, n)) return 0;
    after_swap(view, list, n, n + 1);
    return 1;
}

// Report-style list views whose rows show records held in a LinerList: row i carries the data
// address of element i and its text is asked for when drawn, so the two stay in step.
#pragma once
#include <windows.h>
#include <stddef.h>
#include "LinerList.h"

// Inserts count columns; headers are handed over through a header_size buffer. 1 when every
// column went in; the columns before a refused one remain.
int lv_add_columns(HWND view, int count, size_t header_size, const int *widths, const int *limits,
                   const char *const *headers);

// The sign a list view shows for a line break: "↵", or "⏎" when the view's font has only that.
// Shift-JIS holds neither, so neither can stand for itself in a stored text.
const wchar_t kLineBreakSign = 0x21B5;      // "↵"
const wchar_t kLineBreakFallback = 0x23CE;  // "⏎"
wchar_t lv_line_break_sign(HWND view);
// A stored text as a list view shows it, in UTF-16: each line break (CR LF, or a lone CR or LF) as
// sign. out gets at most size characters with the terminating zero.
void lv_display_text(const char *text, wchar_t sign, wchar_t *out, int size, bool readings = false);
// The text typed into a row's label back in Shift-JIS, either sign as CR LF again.
void lv_stored_text(const wchar_t *text, char *out, size_t size);

int lv_insert_item(HWND view, int row, void *record);
int lv_append_item(HWND view, void *record);
void lv_set_item(HWND view, int row, void *record);
void lv_set_selected_item(HWND view, void *record);
void lv_delete_all(HWND view);
// The first selected row from the top, or -1.
int lv_first_selected(HWND view);
// Copies size bytes of the row's record into dest; dest is left alone when there is no such row.
int lv_get_item_data(HWND view, int row, void *dest, size_t size);
void lv_get_selected_data(HWND view, void *dest, size_t size);

// The list helpers keep row count = element count and row i = element i.
int lv_list_append(HWND view, ListNode *list, const void *record, size_t size);
// Appends after the last element reachable from from (the list head or any element) and adds its
// row; the new element, or null when nothing was added.
ListNode *lv_list_append_from(HWND view, ListNode *from, const void *record, size_t size);
int lv_list_insert(HWND view, ListNode *list, int position, const void *record, size_t size);
void lv_list_remove(HWND view, ListNode *list, int n);
void lv_list_remove_selected(HWND view, ListNode *list);
void lv_list_clear(HWND view, ListNode *list);
int lv_list_move_up(HWND view, ListNode *list, int n, size_t size);
int lv_list_move_down(HWND view, ListNode *list, int n, size_t size);

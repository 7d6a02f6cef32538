// Linked list of records on the process heap; moves relink elements and never copy records.
#include "LinerList.h"
#include "imemory.h"
#include "message_box.h"
#include <string.h>

static const char kSource[] = "LinerList";

ListNode *liner_init(ListNode *head) {
    if (!head) {
        show_message_box(nullptr, "リストの先頭としてNULL値が渡されました", "リストの初期化エラー", MB_OK | MB_ICONERROR);
        return nullptr;
    }
    liner_clear(head);
    return head;
}

void liner_clear(ListNode *head) {
    ListNode *e = head->next;
    while (e) {
        ListNode *next = e->next;
        i_heap_free(e->data, kSource, __LINE__);
        i_heap_free(e, kSource, __LINE__);
        e = next;
    }
    head->next = nullptr;
}

int liner_count(ListNode *head) {
    int n = 0;
    for (ListNode *e = head->next; e; e = e->next) ++n;
    return n;
}

void *liner_get(ListNode *head, int n) {
    ListNode *e = head->next;
    for (int i = 0; e && i < n; ++i) e = e->next;
    return e ? e->data : nullptr;
}

// A filled element not yet linked; null (after the report) when memory runs out.
static ListNode *make_node(const void *record, size_t size) {
    ListNode *e = static_cast<ListNode *>(i_heap_calloc(1, sizeof(ListNode), kSource, __LINE__));
    if (!e) return nullptr;
    e->data = i_heap_calloc(1, size ? size : 1, kSource, __LINE__);
    if (!e->data) {
        i_heap_free(e, kSource, __LINE__);
        return nullptr;
    }
    memcpy(e->data, record, size);
    return e;
}

ListNode *liner_append(ListNode *head, const void *record, size_t size) { return liner_append_from(head, record, size); }

ListNode *liner_append_from(ListNode *from, const void *record, size_t size) {
    ListNode *last = from;
    while (last->next) last = last->next;
    ListNode *e = make_node(record, size);
    if (e) last->next = e;
    return e;
}

ListNode *liner_insert(ListNode *head, int position, const void *record, size_t size) {
    int p = position > 0 ? position : liner_count(head) + position;
    if (p < -1) return nullptr;
    ListNode *before = head;
    for (int i = 0; i < p; ++i) {
        if (!before->next) return nullptr;  // p beyond the count
        before = before->next;
    }
    ListNode *e = make_node(record, size);
    if (!e) return nullptr;
    e->next = before->next;
    before->next = e;
    return e;
}

// Predecessor of element n, clamped to the last element (n <= 0: the first).
static ListNode *clamped_predecessor(ListNode *head, int n) {
    ListNode *prev = head;
    for (int i = 0; i < n && prev->next && prev->next->next; ++i) prev = prev->next;
    return prev;
}

ListNode *liner_overwrite(ListNode *head, int n, const void *record, size_t size) {
    if (!head->next) return nullptr;
    ListNode *e = clamped_predecessor(head, n)->next;
    memcpy(e->data, record, size);
    return e;
}

void liner_remove(ListNode *head, int n) {
    if (!head->next) return;
    ListNode *prev = clamped_predecessor(head, n);
    ListNode *e = prev->next;
    prev->next = e->next;
    i_heap_free(e->data, kSource, __LINE__);
    i_heap_free(e, kSource, __LINE__);
}

// Swaps the element after prev with the one after it; 0 when there is no such pair.
static int swap_after(ListNode *prev) {
    ListNode *a = prev->next;
    if (!a || !a->next) return 0;
    ListNode *b = a->next;
    a->next = b->next;
    b->next = a;
    prev->next = b;
    return 1;
}

int liner_move_up(ListNode *head, int n) {
    if (n <= 0) return 0;
    ListNode *prev = head;
    for (int i = 0; i < n - 1; ++i) {
        if (!prev->next) return 0;
        prev = prev->next;
    }
    return swap_after(prev);
}

int liner_move_down(ListNode *head, int n) {
    if (n < 0) return 0;
    ListNode *prev = head;
    for (int i = 0; i < n; ++i) {
        if (!prev->next) return 0;
        prev = prev->next;
    }
    return swap_after(prev);
}

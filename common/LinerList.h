// Singly linked list of fixed-size records copied in by value. Data blocks keep their address
// while their element lives, whatever its position: list-view rows hold those addresses.
#pragma once
#include <stddef.h>

struct ListNode {
    void *data;
    ListNode *next;
};

// Empties the list it is given, as liner_clear does: a head never used must be zero (a static, or
// "= {}"), or its stray next pointer is freed.
ListNode *liner_init(ListNode *head);
void liner_clear(ListNode *head);
int liner_count(ListNode *head);
// Data of element n (n <= 0: the first); null when the list is empty or n is past the end.
void *liner_get(ListNode *head, int n);
ListNode *liner_append(ListNode *head, const void *record, size_t size);
// As liner_append, walking to the end from any element of the list (or its head): a reader that
// keeps the element it appended last adds each record without walking the whole list.
ListNode *liner_append_from(ListNode *from, const void *record, size_t size);
// position > 0: that position; otherwise count + position (0 appends, -1 goes before the last).
ListNode *liner_insert(ListNode *head, int position, const void *record, size_t size);
// n past the end means the last element; null (nothing done) on an empty list.
ListNode *liner_overwrite(ListNode *head, int n, const void *record, size_t size);
void liner_remove(ListNode *head, int n);
int liner_move_up(ListNode *head, int n);
int liner_move_down(ListNode *head, int n);

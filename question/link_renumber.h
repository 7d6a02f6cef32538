// What keeps the numbers a file stores by position (a type link's result row, the tie question)
// naming the same row or question when the editor's lists change order, lose or gain rows, or
// when a special row option turns a banded row into the top or bottom row.
#pragma once
#include <stdint.h>
#include <vector>
#include "question_records.h"

// A list as its elements' identities, in order (the editor uses their records' addresses, which
// stay while an element lives wherever it moves).
typedef std::vector<const void *> ListIdentity;

// For each banded ("S") row before (counted from 1): its number among the banded rows after, 0
// when it was deleted or is a top or bottom row now. top and bottom: the special row options.
std::vector<int32_t> banded_row_moves(const ListIdentity &before, bool top_before, bool bottom_before,
                                      const ListIdentity &after, bool top_after, bool bottom_after);
// Renumbers q's links by moves (index: the old row - 1); a link to a row that went goes with it.
// A row past moves is left as it is. True when q changed.
bool renumber_type_links(QuestionRecord *q, const std::vector<int32_t> &moves);
// The number (from 1) after the change of the element number had before; 0 when it went. A
// number that named no element (0, past the list) stays as it is.
int32_t renumbered_position(int32_t number, const ListIdentity &before, const ListIdentity &after);

// Renumbering of the stored positions that name result rows and questions.
#include "link_renumber.h"
#include "LoadQues.h"
#include "question_codec.h"
#include <map>

namespace {

// The banded rows of a list, each with its number from 1.
std::map<const void *, int32_t> banded_numbers(const ListIdentity &list, bool top, bool bottom) {
    std::map<const void *, int32_t> numbers;
    const int n = static_cast<int>(list.size());
    int32_t banded = 0;
    for (int m = 0; m < n; ++m)
        if (result_row_key(m, n, top, bottom) == kKeyResult) numbers[list[static_cast<size_t>(m)]] = ++banded;
    return numbers;
}

}  // namespace

std::vector<int32_t> banded_row_moves(const ListIdentity &before, bool top_before, bool bottom_before,
                                      const ListIdentity &after, bool top_after, bool bottom_after) {
    const std::map<const void *, int32_t> now = banded_numbers(after, top_after, bottom_after);
    std::vector<int32_t> moves;
    const int n = static_cast<int>(before.size());
    for (int m = 0; m < n; ++m) {
        if (result_row_key(m, n, top_before, bottom_before) != kKeyResult) continue;
        auto found = now.find(before[static_cast<size_t>(m)]);
        moves.push_back(found == now.end() ? 0 : found->second);
    }
    return moves;
}

bool renumber_type_links(QuestionRecord *q, const std::vector<int32_t> &moves) {
    bool changed = false;
    for (TypeLink *links : q->typeLinks) {
        int count = 0, kept = 0;
        while (count < kTypeLinksPerAnswer && links[count].row) ++count;
        for (int k = 0; k < count; ++k) {
            TypeLink l = links[k];
            if (static_cast<size_t>(l.row) <= moves.size()) l.row = moves[static_cast<size_t>(l.row) - 1];
            changed = changed || l.row != links[k].row;
            if (l.row) links[kept++] = l;
        }
        for (int k = kept; k < count; ++k) links[k] = {0, 0};
    }
    return changed;
}

int32_t renumbered_position(int32_t number, const ListIdentity &before, const ListIdentity &after) {
    if (number < 1 || static_cast<size_t>(number) > before.size()) return number;
    const void *id = before[static_cast<size_t>(number) - 1];
    for (size_t i = 0; i < after.size(); ++i)
        if (after[i] == id) return static_cast<int32_t>(i + 1);
    return 0;
}

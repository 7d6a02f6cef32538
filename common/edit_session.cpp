// Unsaved state, the title, the question before leaving a file, undo steps and recent files.
#include "edit_session.h"
#include "BrixLib.h"
#include <string.h>

const char kUntitled[] = "無題";
const char kSaveQuestion[] = "変更を保存しますか？";

bool unsaved_after(bool unsaved, int event) {
    switch (event) {
        case kEventChange: return true;
        case kEventSaved:
        case kEventOpened:
        case kEventNew: return false;
        default: return unsaved;  // a failed save or open leaves the dialog as it was
    }
}

std::string editor_title(const char *path, bool unsaved, const char *caption) {
    std::string name = kUntitled;
    if (path && path[0]) {
        char copy[kPathSize] = {0};
        copy_cut(copy, sizeof copy, path);
        name = path_file_name(copy);
    }
    return name + (unsaved ? "*" : "") + " - " + caption;
}

bool may_leave(bool unsaved, const LeaveSteps &steps) {
    if (!unsaved) return true;
    switch (steps.ask(steps.context)) {
        case IDYES: return steps.save(steps.context);
        case IDNO: return true;
        default: return false;
    }
}

bool make_step(int target, const std::vector<std::string> &before, const std::vector<std::string> &after,
               EditStep *step) {
    size_t head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
    if (head == before.size() && head == after.size()) return false;
    size_t tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    step->target = target;
    step->index = static_cast<int>(head);
    step->removed.assign(before.begin() + head, before.end() - tail);
    step->inserted.assign(after.begin() + head, after.end() - tail);
    return true;
}

void UndoHistory::record(EditStep step, bool merge) {
    steps_.resize(done_);
    std::vector<EditStep> *last = steps_.empty() || steps_.back().size() != 1 ? nullptr : &steps_.back();
    EditStep *one = last ? &last->front() : nullptr;
    if (merge && !sealed_ && one && one->target == step.target && one->index == step.index &&
        one->inserted.size() == 1 && step.removed.size() == 1 && step.inserted.size() == 1) {
        one->inserted = step.inserted;
    } else {
        steps_.emplace_back(1, std::move(step));
        if (steps_.size() > kLimit) steps_.erase(steps_.begin());
    }
    done_ = steps_.size();
    sealed_ = !merge;
}

void UndoHistory::record(std::vector<EditStep> group) {
    if (group.empty()) return;
    steps_.resize(done_);
    steps_.push_back(std::move(group));
    if (steps_.size() > kLimit) steps_.erase(steps_.begin());
    done_ = steps_.size();
    sealed_ = true;
}

bool UndoHistory::undo(StepTarget *target) {
    if (!done_) return false;
    const std::vector<EditStep> &group = steps_[--done_];
    for (size_t i = group.size(); i-- > 0;) {
        const EditStep &s = group[i];
        target->splice(s.target, s.index, s.inserted.size(), s.removed);
    }
    sealed_ = true;
    return true;
}

bool UndoHistory::redo(StepTarget *target) {
    if (done_ >= steps_.size()) return false;
    for (const EditStep &s : steps_[done_++]) target->splice(s.target, s.index, s.removed.size(), s.inserted);
    sealed_ = true;
    return true;
}

void UndoHistory::clear() {
    steps_.clear();
    done_ = 0;
    sealed_ = true;
}

void recent_remove(std::vector<std::string> *list, const std::string &path) {
    for (size_t i = 0; i < list->size();)
        if (equals_nocase((*list)[i].c_str(), path.c_str())) list->erase(list->begin() + i);
        else ++i;
}

void recent_add(std::vector<std::string> *list, const std::string &path) {
    if (path.empty()) return;
    recent_remove(list, path);
    list->insert(list->begin(), path);
    if (list->size() > kRecentMax) list->resize(kRecentMax);
}

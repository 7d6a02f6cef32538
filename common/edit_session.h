// The rules by which the editor keeps an operator's work, free of windows so they can be tested
// alone: when the file counts as changed, what the title says, whether the file may be left
// (closed, replaced by another or a new one), the undo history and the recent-files list.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// What happens to the file in the dialog.
enum EditEvent {
    kEventChange = 0,   // any edit: a box, a list, a check box, a font
    kEventSaved,        // written where the title says
    kEventSaveFailed,   // a save that was cancelled or failed
    kEventOpened,       // another file (or a recovery copy's contents) read in
    kEventOpenFailed,
    kEventNew,          // emptied to a new, untitled file
};
bool unsaved_after(bool unsaved, int event);

extern const char kUntitled[];  // "無題"
// "a.qst* - caption" from the file's name (its folder left out), "無題 - caption" without a path.
std::string editor_title(const char *path, bool unsaved, const char *caption);

// The question before a file is left: 「変更を保存しますか？」 はい / いいえ / キャンセル.
extern const char kSaveQuestion[];
struct LeaveSteps {
    int (*ask)(void *context);    // IDYES, IDNO or IDCANCEL
    bool (*save)(void *context);  // saves (asking where only for a new file); true when written
    void *context;
};
// True when the file may be left: nothing unsaved (nothing asked), いいえ, or はい with a save
// that succeeded. キャンセル or a failed save keeps everything as it is.
bool may_leave(bool unsaved, const LeaveSteps &steps);

// One change of the dialog as a splice: at index of a target (a record list, or a text box seen
// as a list of one text), the elements removed were replaced by those inserted.
struct EditStep {
    int target;
    int index;
    std::vector<std::string> removed, inserted;
};
// The smallest splice that turns before into after (common head and tail left out); false when
// they are equal.
bool make_step(int target, const std::vector<std::string> &before, const std::vector<std::string> &after,
               EditStep *step);

// Applies a splice to the document: at index, count elements are replaced by elements.
struct StepTarget {
    virtual void splice(int target, int index, size_t count, const std::vector<std::string> &elements) = 0;
    virtual ~StepTarget() {}
};

class UndoHistory {
public:
    enum { kLimit = 100 };
    // A new change drops what could be redone. With merge, a change of the same single-text
    // target as the last step joins that step (typing a word is one step, not one per key).
    void record(EditStep step, bool merge = false);
    // Several splices made by one change (a row moved and the links that name it renumbered), undone
    // and redone together; an empty group is no step.
    void record(std::vector<EditStep> group);
    // Ends merging: the next change is a step of its own.
    void seal() { sealed_ = true; }
    bool undo(StepTarget *target);
    bool redo(StepTarget *target);
    void clear();
    bool can_undo() const { return done_ > 0; }
    bool can_redo() const { return done_ < steps_.size(); }

private:
    std::vector<std::vector<EditStep>> steps_;  // each undone in reverse order, redone in order
    size_t done_ = 0;
    bool sealed_ = true;
};

// The recent-files list: the last files opened or saved, newest first, each once (letter case
// aside), at most kRecentMax.
enum { kRecentMax = 8 };
void recent_add(std::vector<std::string> *list, const std::string &path);
void recent_remove(std::vector<std::string> *list, const std::string &path);

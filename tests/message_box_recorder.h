// Records every message box shown while it lives and answers with a chosen button.
#pragma once
#include <string>
#include <vector>
#include <windows.h>

struct RecordedBox {
    HWND owner;
    std::string caption;
    std::string text;
    UINT type;
};

class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int answer = IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder &) = delete;
    MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

    const std::vector<RecordedBox> &boxes() const { return boxes_; }
    void set_answer(int answer) { answer_ = answer; }
    // A box with this text gets its own answer (the save question before another box, say).
    void set_answer_for(const std::string &text, int answer) { text_ = text, text_answer_ = answer; }

private:
    static int record(HWND owner, const char *text, const char *caption, UINT type);
    std::vector<RecordedBox> boxes_;
    int answer_;
    std::string text_;
    int text_answer_ = 0;
    void *previous_;
};

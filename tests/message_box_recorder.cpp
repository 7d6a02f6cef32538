// The recording message-box seam used by the tests.
#include "message_box_recorder.h"
#include "message_box.h"

static MessageBoxRecorder *g_active = nullptr;

MessageBoxRecorder::MessageBoxRecorder(int answer) : answer_(answer) {
    previous_ = reinterpret_cast<void *>(set_message_box_fn(record));
    g_active = this;
}

MessageBoxRecorder::~MessageBoxRecorder() {
    set_message_box_fn(reinterpret_cast<MessageBoxFn>(previous_));
    g_active = nullptr;
}

int MessageBoxRecorder::record(HWND owner, const char *text, const char *caption, UINT type) {
    g_active->boxes_.push_back({owner, caption ? caption : "", text ? text : "", type});
    if (text && !g_active->text_.empty() && g_active->text_ == text) return g_active->text_answer_;
    return g_active->answer_;
}

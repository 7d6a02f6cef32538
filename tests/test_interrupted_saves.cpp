// Interrupted saves of set files by the set manager.
#include <string.h>
#include "SetManager_private.h"
#include "interrupted_save_cases.h"
#include "sound_store.h"

namespace {
struct SetSaver : Saver {
    const char *extension() const override { return ".set"; }
    void fill(const ScratchFolder &) override {
        HWND owner = nullptr;
        set_manager(kSetReset, 0, &owner);
        SetRecord *r = set_current_record();
        strcpy(r->title, "新しいセット");
        strcpy(r->questions[0], "a.qst");
        strcpy(r->questions[1], "b.qst");
        strcpy(r->picture, "pic.bmp");
        r->full_screen = 1;
        r->idle_minutes = 3;
        char wav[] = "start.wav";
        char *p = wav;
        sound_store(kSoundPutSet + kSndSt, 0, &p);
    }
    int save(const std::string &target) override {
        g_save_pick = target;
        return save_set(nullptr);
    }
};

Saver *make_set_saver() { return new SetSaver; }
}  // namespace

INSTANTIATE_TEST_SUITE_P(SetFiles, InterruptedSave, ::testing::Values(make_set_saver));

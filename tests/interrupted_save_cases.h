// Saves through a temporary file that are interrupted: any one line write failing, the final
// replacement failing, a read-only target, a folder that takes no new file, a target held open.
// Each time the old file must stay byte for byte, the failure must be reported, and a later save
// must go through. Included once by each program's test with its own Saver.
#pragma once
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include "BrixLib.h"
#include "DirList.h"
#include "message_box_recorder.h"
#include "scratch_folder.h"

// The scripted file dialogs' answer for the save.
inline std::string g_save_pick;

// One kind of save: fills its source with content, saves to a chosen target.
struct Saver {
    virtual ~Saver() = default;
    virtual const char *extension() const = 0;
    virtual void fill(const ScratchFolder &dir) = 0;
    virtual int save(const std::string &target) = 0;
};
typedef Saver *(*MakeSaver)();

inline const char kOld[] = "old contents\r\nthat must survive\r\n";

inline BOOL scripted_save(OPENFILENAMEA *o) {
    strcpy(o->lpstrFile, g_save_pick.c_str());
    return TRUE;
}

class InterruptedSave : public ::testing::TestWithParam<MakeSaver> {
protected:
    void SetUp() override {
        CommonDialogs scripted = {nullptr, scripted_save, nullptr, nullptr};
        old_dialogs_ = set_common_dialogs(&scripted);
        saver_.reset(GetParam()());
        saver_->fill(dir_);
        name_ = std::string("target") + saver_->extension();
        target_ = dir_.path() + name_;
        // What a whole save writes, and how many lines that takes.
        std::string probe = dir_.path() + "probe" + saver_->extension();
        ASSERT_EQ(saver_->save(probe), 1);
        fresh_ = dir_.read("probe" + std::string(saver_->extension()));
        for (size_t at = fresh_.find("\r\n"); at != std::string::npos; at = fresh_.find("\r\n", at + 2)) ++lines_;
        ASSERT_GT(lines_, 3);
        ASSERT_TRUE(boxes_.boxes().empty());
    }
    void TearDown() override {
        set_file_fault(0, 0);
        SetFileAttributesA(target_.c_str(), FILE_ATTRIBUTE_NORMAL);
        set_common_dialogs(&old_dialogs_);
    }
    void put_old() { dir_.write(name_, kOld); }
    bool reported(const char *caption) const {
        for (const RecordedBox &b : boxes_.boxes())
            if (b.caption == caption) return true;
        return false;
    }
    // After a failure: old file intact, then a normal save replaces it.
    void expect_kept_then_saved() {
        EXPECT_EQ(dir_.read(name_), kOld);
        EXPECT_FALSE(boxes_.boxes().empty());
        set_file_fault(0, 0);
        EXPECT_EQ(saver_->save(target_), 1);
        EXPECT_EQ(dir_.read(name_), fresh_);
    }

    ScratchFolder dir_;
    MessageBoxRecorder boxes_;
    CommonDialogs old_dialogs_;
    std::unique_ptr<Saver> saver_;
    std::string name_, target_, fresh_;
    int lines_ = 0;
};

TEST_P(InterruptedSave, AnyOneLineFailingKeepsTheOldFile) {
    for (int n = 1; n <= lines_; ++n) {
        SCOPED_TRACE("line " + std::to_string(n));
        put_old();
        set_file_fault(n, 0);
        EXPECT_EQ(saver_->save(target_), 0);
        EXPECT_TRUE(reported("追記ファイルの書き込み"));
        expect_kept_then_saved();
    }
    // One past the last line fails nothing: the count above covered every line.
    put_old();
    set_file_fault(lines_ + 1, 0);
    EXPECT_EQ(saver_->save(target_), 1);
    EXPECT_EQ(dir_.read(name_), fresh_);
}

TEST_P(InterruptedSave, FailedReplacementKeepsTheOldFile) {
    put_old();
    set_file_fault(0, 1);
    EXPECT_EQ(saver_->save(target_), 0);
    EXPECT_TRUE(reported("既存ファイルの置換え（移動）に失敗しました"));
    expect_kept_then_saved();
}

TEST_P(InterruptedSave, ReadOnlyTargetIsRefusedUntilItIsWritable) {
    put_old();
    SetFileAttributesA(target_.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(saver_->save(target_), 0);
    EXPECT_TRUE(reported("既存ファイルの削除に失敗しました"));
    SetFileAttributesA(target_.c_str(), FILE_ATTRIBUTE_NORMAL);
    expect_kept_then_saved();
}

// Wine ignores the read-only attribute of folders and the tests may run as root, so a folder that
// takes no new file is simulated by a folder sitting where the temporary file has to be made.
TEST_P(InterruptedSave, FolderThatTakesNoTemporaryFileKeepsTheOldFile) {
    put_old();
    std::string blocker = dir_.path() + "~" + name_;
    ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), nullptr));
    EXPECT_EQ(saver_->save(target_), 0);
    EXPECT_TRUE(reported("追記ファイルのオープン"));
    RemoveDirectoryA(blocker.c_str());
    expect_kept_then_saved();
}

TEST_P(InterruptedSave, TargetHeldOpenWithoutSharingKeepsTheOldFile) {
    put_old();
    HANDLE other = CreateFileA(target_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(saver_->save(target_), 0);
    CloseHandle(other);
    EXPECT_TRUE(reported("既存ファイルの削除に失敗しました"));
    expect_kept_then_saved();
}


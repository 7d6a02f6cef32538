// Music player: command sequences against a scripted MCI device, error boxes, stop and replay guards.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "bgm_player.h"
#include "message_box_recorder.h"

namespace {

struct Sent {
    UINT command;
    DWORD_PTR flags;
    MCIDEVICEID device;
    std::string type, element;
    DWORD_PTR callback;
    DWORD from, master;
};

std::vector<Sent> g_sent;
UINT g_fail_command = 0;  // this command answers with an error
MCIDEVICEID g_next_id = 7;
const MCIERROR kError = MCIERR_FILE_NOT_FOUND;

MCIERROR fake_send(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR params) {
    Sent s{command, flags, device, "", "", 0, 0, 0};
    if (command == MCI_OPEN) {
        auto *p = reinterpret_cast<MCI_OPEN_PARMSA *>(params);
        s.type = p->lpstrDeviceType ? p->lpstrDeviceType : "";
        s.element = p->lpstrElementName ? p->lpstrElementName : "";
        s.callback = p->dwCallback;
        if (command != g_fail_command) p->wDeviceID = g_next_id++;
    } else if (command == MCI_PLAY) {
        auto *p = reinterpret_cast<MCI_PLAY_PARMS *>(params);
        s.callback = p->dwCallback;
        s.from = p->dwFrom;
    } else if (command == MCI_SET) {
        s.master = reinterpret_cast<MCI_SEQ_SET_PARMS *>(params)->dwMaster;
    } else {
        s.callback = reinterpret_cast<MCI_GENERIC_PARMS *>(params)->dwCallback;
    }
    g_sent.push_back(s);
    return command == g_fail_command ? kError : 0;
}

HWND const kWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));

class Bgm : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = set_mci_send_fn(fake_send);
        g_fail_command = 0;
        bgm_player(kBgmStop, kWindow, nullptr);
        g_sent.clear();
    }
    void TearDown() override { set_mci_send_fn(previous_); }
    static std::vector<UINT> commands() {
        std::vector<UINT> c;
        for (const Sent &s : g_sent) c.push_back(s.command);
        return c;
    }
    static std::string mci_text(MCIERROR e) {
        char t[1024] = {0};
        mciGetErrorStringA(e, t, sizeof t);
        return t;
    }
    MciSendFn previous_;
};

TEST_F(Bgm, OpenPlaysWithTheDocumentedCommandsAndFlags) {
    MessageBoxRecorder boxes;
    EXPECT_EQ(bgm_player(kBgmOpen, kWindow, "song.mid"), 0);
    ASSERT_EQ(commands(), (std::vector<UINT>{MCI_OPEN, MCI_SET, MCI_PLAY}));
    EXPECT_EQ(g_sent[0].flags, DWORD_PTR(MCI_OPEN_TYPE | MCI_OPEN_ELEMENT));
    EXPECT_EQ(g_sent[0].device, 0u);
    EXPECT_EQ(g_sent[0].type, "sequencer");
    EXPECT_EQ(g_sent[0].element, "song.mid");
    EXPECT_EQ(g_sent[0].callback, reinterpret_cast<DWORD_PTR>(kWindow));
    MCIDEVICEID id = g_sent[1].device;
    EXPECT_NE(id, 0u);
    EXPECT_EQ(g_sent[1].flags, DWORD_PTR(MCI_SEQ_SET_MASTER));
    EXPECT_EQ(g_sent[1].master, DWORD(MCI_SEQ_NONE));
    EXPECT_EQ(g_sent[2].device, id);
    EXPECT_EQ(g_sent[2].flags, DWORD_PTR(MCI_NOTIFY | MCI_FROM));
    EXPECT_EQ(g_sent[2].from, 0u);
    EXPECT_EQ(g_sent[2].callback, reinterpret_cast<DWORD_PTR>(kWindow));
    EXPECT_EQ(bgm_player(kBgmQuery, kWindow, nullptr), 1);

    // The loop: each end-of-piece notification plays the same device from the start.
    g_sent.clear();
    bgm_player(kBgmAgain, kWindow, nullptr);
    ASSERT_EQ(commands(), (std::vector<UINT>{MCI_PLAY}));
    EXPECT_EQ(g_sent[0].device, id);
    EXPECT_EQ(g_sent[0].flags, DWORD_PTR(MCI_NOTIFY | MCI_FROM));
    EXPECT_TRUE(boxes.boxes().empty());

    // MP3 and WAV music: their own devices, looped the same way; only MIDI sets a master.
    const struct {
        const char *file, *type;
    } kinds[] = {{"song.MP3", "mpegvideo"}, {"loop.wav", "waveaudio"}, {"old.rmi", "sequencer"}};
    for (const auto &k : kinds) {
        bgm_player(kBgmStop, kWindow, nullptr);
        g_sent.clear();
        bgm_player(kBgmOpen, kWindow, k.file);
        ASSERT_FALSE(g_sent.empty());
        EXPECT_EQ(g_sent[0].type, k.type) << k.file;
        EXPECT_EQ(commands(), (strcmp(k.type, "sequencer") ? std::vector<UINT>{MCI_OPEN, MCI_PLAY}
                                                            : std::vector<UINT>{MCI_OPEN, MCI_SET, MCI_PLAY}))
            << k.file;
    }
}

TEST_F(Bgm, StopWhenSilentAndNotificationsAfterStopDoNothing) {
    MessageBoxRecorder boxes;
    bgm_player(kBgmStop, kWindow, nullptr);
    bgm_player(kBgmAgain, kWindow, nullptr);
    EXPECT_TRUE(g_sent.empty());

    bgm_player(kBgmOpen, kWindow, "a.mid");
    g_sent.clear();
    bgm_player(kBgmStop, kWindow, nullptr);
    ASSERT_EQ(commands(), (std::vector<UINT>{MCI_STOP, MCI_CLOSE}));
    EXPECT_EQ(g_sent[0].flags, DWORD_PTR(MCI_NOTIFY));
    EXPECT_EQ(g_sent[1].flags, DWORD_PTR(MCI_NOTIFY));
    EXPECT_EQ(g_sent[1].callback, reinterpret_cast<DWORD_PTR>(kWindow));
    EXPECT_EQ(bgm_player(kBgmQuery, kWindow, nullptr), 0);

    g_sent.clear();
    bgm_player(kBgmAgain, kWindow, nullptr);
    bgm_player(kBgmStop, kWindow, nullptr);
    EXPECT_TRUE(g_sent.empty());
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(bgm_player(99, kWindow, "x.mid"), 0);
    EXPECT_TRUE(g_sent.empty());
}

TEST_F(Bgm, NewMusicWhilePlayingClosesTheOldDeviceFirst) {
    bgm_player(kBgmOpen, kWindow, "old.mid");
    MCIDEVICEID old_id = g_sent[1].device;
    g_sent.clear();
    bgm_player(kBgmStop, kWindow, nullptr);
    bgm_player(kBgmOpen, kWindow, "new.mid");
    ASSERT_EQ(commands(), (std::vector<UINT>{MCI_STOP, MCI_CLOSE, MCI_OPEN, MCI_SET, MCI_PLAY}));
    EXPECT_EQ(g_sent[1].device, old_id);
    EXPECT_EQ(g_sent[2].element, "new.mid");
    EXPECT_NE(g_sent[4].device, old_id);

    // A caller that forgets to stop must not leave the old piece playing for good.
    g_sent.clear();
    bgm_player(kBgmOpen, kWindow, "third.mid");
    ASSERT_EQ(commands(), (std::vector<UINT>{MCI_STOP, MCI_CLOSE, MCI_OPEN, MCI_SET, MCI_PLAY}));
    EXPECT_EQ(bgm_player(kBgmQuery, kWindow, nullptr), 1);
}

TEST_F(Bgm, EachFailingStepShowsItsNamedBoxAndLeavesMusicOff) {
    struct Case {
        UINT fail;
        const char *caption;
        std::vector<UINT> expected;
    };
    // After a successful open the device is closed again quietly, so nothing is left open.
    // A failing stop or close still counts as stopped.
    const Case cases[] = {
        {MCI_OPEN, "MCI_OPEN", {MCI_OPEN}},
        {MCI_SET, "MCI_SET", {MCI_OPEN, MCI_SET, MCI_CLOSE}},
        {MCI_PLAY, "MCI_PLAY", {MCI_OPEN, MCI_SET, MCI_PLAY, MCI_CLOSE}},
        {MCI_STOP, "MCI_STOP", {MCI_OPEN, MCI_SET, MCI_PLAY, MCI_STOP, MCI_CLOSE}},
        {MCI_CLOSE, "MCI_CLOSE", {MCI_OPEN, MCI_SET, MCI_PLAY, MCI_STOP, MCI_CLOSE}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.caption);
        MessageBoxRecorder boxes;
        g_sent.clear();
        g_fail_command = c.fail;
        bgm_player(kBgmOpen, kWindow, "bad.mid");
        bgm_player(kBgmStop, kWindow, nullptr);
        g_fail_command = 0;
        EXPECT_EQ(commands(), c.expected);
        EXPECT_EQ(bgm_player(kBgmQuery, kWindow, nullptr), 0);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].caption, c.caption);
        // Opening names the file first; the other steps show the device's own text.
        const std::string &text = boxes.boxes()[0].text;
        if (c.fail == MCI_OPEN) EXPECT_EQ(0u, text.find("BGM「bad.mid」を再生できません。\r\n" + mci_text(kError)));
        else EXPECT_EQ(text, mci_text(kError));
        EXPECT_EQ(boxes.boxes()[0].owner, kWindow);
        if (c.fail == MCI_SET || c.fail == MCI_PLAY) {
            EXPECT_EQ(g_sent.back().device, g_sent[1].device);
        }
    }
}

}  // namespace

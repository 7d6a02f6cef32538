// Background music: one MCI device (the sequencer for MIDI, the MPEG or wave device for MP3 and
// WAV) played in a loop until it is stopped, lowered while a recorded voice plays.
#include "bgm_player.h"
#include <string>
#include "BrixLib.h"
#include "message_box.h"
#include <digitalv.h>
#include <string.h>
#include <string_view>

const char kMusicFilter[] = "音楽ファイル(*.mid,*.rmi,*.mp3,*.wav)\0*.mid;*.rmi;*.mp3;*.wav\0すべてのファイル(*.*)\0*.*\0";

namespace {

MCIERROR real_send(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR params) {
    return mciSendCommandA(device, command, flags, params);
}

MciSendFn g_send = real_send;

struct BgmState {
    MCIDEVICEID device;
    int playing;
    MCI_OPEN_PARMSA open;
    MCI_SEQ_SET_PARMS set;
    MCI_PLAY_PARMS play;
    MCI_GENERIC_PARMS generic;
    char error[1024];
    int ducked;
    DWORD midi_volume;  // the synthesiser's volume before it was lowered
};
BgmState g_bgm;

// A voice over the music: a quarter of the volume, so the words stay clear and the music goes on.
enum { kDuckedVolume = 250, kFullVolume = 1000 };

// Runs one command; a failure shows the system's MCI text under the command's name. Returns 1 on success.
// file: the music file, named in the box with what to do, when the step was opening it.
int send_or_report(HWND window, const char *name, MCIDEVICEID device, UINT command, DWORD flags, void *params,
                   const char *file = nullptr) {
    MCIERROR err = g_send(device, command, flags, reinterpret_cast<DWORD_PTR>(params));
    if (!err) return 1;
    g_bgm.error[0] = '\0';
    mciGetErrorStringA(err, g_bgm.error, sizeof g_bgm.error);
    g_bgm.error[sizeof g_bgm.error - 1] = '\0';
    std::string text = g_bgm.error;
    if (file)
        text = std::string("BGM「") + file + "」を再生できません。\r\n" + text +
               "\r\nファイルがあるか確かめて、セットの編集で BGM を選び直してください。";
    show_message_box(window, text.c_str(), name, MB_OK);
    return 0;
}

void set_ducked(bool low);

void stop_and_close(HWND window) {
    set_ducked(false);
    g_bgm.generic = MCI_GENERIC_PARMS{};
    g_bgm.generic.dwCallback = reinterpret_cast<DWORD_PTR>(window);
    send_or_report(window, "MCI_STOP", g_bgm.device, MCI_STOP, MCI_NOTIFY, &g_bgm.generic);
    send_or_report(window, "MCI_CLOSE", g_bgm.device, MCI_CLOSE, MCI_NOTIFY, &g_bgm.generic);
    g_bgm.playing = 0;
    g_bgm.device = 0;
}

int play_from_start(HWND window) {
    g_bgm.play = MCI_PLAY_PARMS{};
    g_bgm.play.dwCallback = reinterpret_cast<DWORD_PTR>(window);
    g_bgm.play.dwFrom = 0;
    return send_or_report(window, "MCI_PLAY", g_bgm.device, MCI_PLAY, MCI_NOTIFY | MCI_FROM, &g_bgm.play);
}

// The MCI device for a music file, by its extension; MIDI when there is none it knows.
const char *device_type(const char *path) {
    const char *ext = path_extension(path);
    if (ext && _stricmp(ext, "mp3") == 0) return "mpegvideo";
    if (ext && _stricmp(ext, "wav") == 0) return "waveaudio";
    return "sequencer";
}

void open_and_play(HWND window, const char *path) {
    if (!path) return;
    // A device still open here could never be stopped again once its id is overwritten.
    if (g_bgm.playing) stop_and_close(window);

    g_bgm.open = MCI_OPEN_PARMSA{};
    g_bgm.open.dwCallback = reinterpret_cast<DWORD_PTR>(window);
    g_bgm.open.lpstrDeviceType = device_type(path);
    // The element name must outlive the open call's parameters.
    static char element[kPathSize];
    char resolved[kPathSize];
    copy_cut(element, sizeof element, resolve_stored_path(path, resolved));
    g_bgm.open.lpstrElementName = element;
    if (!send_or_report(window, "MCI_OPEN", 0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, &g_bgm.open, element)) return;
    g_bgm.device = g_bgm.open.wDeviceID;

    g_bgm.set = MCI_SEQ_SET_PARMS{};
    g_bgm.set.dwMaster = MCI_SEQ_NONE;
    // Only the sequencer has a master to set.
    bool midi = g_bgm.open.lpstrDeviceType == std::string_view("sequencer");
    if ((midi && !send_or_report(window, "MCI_SET", g_bgm.device, MCI_SET, MCI_SEQ_SET_MASTER, &g_bgm.set)) ||
        !play_from_start(window)) {
        // Counted as silent from here on, so nothing else would ever close the device.
        g_bgm.generic = MCI_GENERIC_PARMS{};
        g_send(g_bgm.device, MCI_CLOSE, 0, reinterpret_cast<DWORD_PTR>(&g_bgm.generic));
        g_bgm.device = 0;
        return;
    }
    g_bgm.playing = 1;
    g_bgm.ducked = 0;
}

// MCI gives the MPEG device a volume; the sequencer has none, so MIDI goes through the
// synthesiser's, which is put back as it was. Failures change nothing and show nothing: visitors
// are in front of the screen.
void set_ducked(bool low) {
    if (!g_bgm.playing || (g_bgm.ducked != 0) == low) return;
    g_bgm.ducked = low;
    const std::string_view type = g_bgm.open.lpstrDeviceType ? g_bgm.open.lpstrDeviceType : "";
    if (type == "mpegvideo") {
        MCI_DGV_SETAUDIO_PARMSA audio = {};
        audio.dwItem = MCI_DGV_SETAUDIO_VOLUME;
        audio.dwValue = low ? kDuckedVolume : kFullVolume;
        g_send(g_bgm.device, MCI_SETAUDIO, MCI_DGV_SETAUDIO_ITEM | MCI_DGV_SETAUDIO_VALUE, reinterpret_cast<DWORD_PTR>(&audio));
    } else if (type == "sequencer") {
        HMIDIOUT synth = reinterpret_cast<HMIDIOUT>(static_cast<UINT_PTR>(MIDI_MAPPER));
        if (low) {
            if (midiOutGetVolume(synth, &g_bgm.midi_volume) != MMSYSERR_NOERROR) g_bgm.midi_volume = 0xFFFFFFFF;
            const DWORD left = (g_bgm.midi_volume & 0xFFFF) * kDuckedVolume / kFullVolume;
            const DWORD right = (g_bgm.midi_volume >> 16) * kDuckedVolume / kFullVolume;
            midiOutSetVolume(synth, left | (right << 16));
        } else {
            midiOutSetVolume(synth, g_bgm.midi_volume);
        }
    }
}

}  // namespace

MciSendFn set_mci_send_fn(MciSendFn fn) {
    MciSendFn old = g_send;
    g_send = fn ? fn : real_send;
    return old;
}

int bgm_player(int op, HWND window, const char *path) {
    switch (op) {
    case kBgmOpen:
        open_and_play(window, path);
        return 0;
    case kBgmStop:
        if (g_bgm.playing) stop_and_close(window);
        return 0;
    case kBgmAgain:
        // A failed replay leaves the device open and counted as playing, so a later stop still closes it.
        if (g_bgm.playing) play_from_start(window);
        return 0;
    case kBgmQuery:
        return g_bgm.playing;
    case kBgmDevice:
        return g_bgm.playing ? static_cast<int>(g_bgm.device) : 0;
    case kBgmDuck:
    case kBgmUnduck:
        set_ducked(op == kBgmDuck);
        return 0;
    default:
        return 0;
    }
}

// The MCI devices behind the voice seam: the wave device for WAV, the MPEG device for MP3.
#include "voice_seam.h"
#include "BrixLib.h"
#include <mmsystem.h>
#include <string.h>

const char kVoiceFilter[] = "音声ファイル(*.wav,*.mp3)\0*.wav;*.mp3\0すべてのファイル(*.*)\0*.*\0";

namespace {

UINT mci_play(HWND window, const char *path) {
    const char *ext = path_extension(path);
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = ext && _stricmp(ext, "mp3") == 0 ? "mpegvideo" : "waveaudio";
    open.lpstrElementName = path;
    if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open))) return 0;
    MCI_PLAY_PARMS play = {};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(window);
    if (mciSendCommandA(open.wDeviceID, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play))) {
        MCI_GENERIC_PARMS close = {};
        mciSendCommandA(open.wDeviceID, MCI_CLOSE, 0, reinterpret_cast<DWORD_PTR>(&close));
        return 0;
    }
    return open.wDeviceID;
}

void mci_stop(UINT device) {
    MCI_GENERIC_PARMS generic = {};
    mciSendCommandA(device, MCI_STOP, 0, reinterpret_cast<DWORD_PTR>(&generic));
    mciSendCommandA(device, MCI_CLOSE, 0, reinterpret_cast<DWORD_PTR>(&generic));
}

const VoiceSeam kMci = {mci_play, mci_stop};
VoiceSeam g_seam = kMci;

}  // namespace

VoiceSeam set_voice_seam(const VoiceSeam *seam) {
    VoiceSeam old = g_seam;
    g_seam = seam ? *seam : kMci;
    return old;
}

UINT voice_seam_play(HWND window, const char *path) { return g_seam.play(window, path); }
void voice_seam_stop(UINT device) { g_seam.stop(device); }

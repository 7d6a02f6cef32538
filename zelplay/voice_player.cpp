// The recorded voice's list, what cannot be played, and the music's ducking.
#include "voice_player.h"
#include "BrixLib.h"
#include "bgm_player.h"
#include <mmsystem.h>
#include <string.h>
#include <set>
#include <vector>

namespace {

struct VoiceState {
    std::vector<std::string> list;  // what is still to play after the current file
    UINT device = 0;                // the one playing; 0: none
    std::vector<UINT> ended;        // devices stopped or finished: their late notices are ours too
    bool ducked = false;
    std::set<std::string> told;     // files named to the operator already
    std::string problem;
};
VoiceState g_voice;

void remember_ended(UINT device) {
    g_voice.ended.push_back(device);
    if (g_voice.ended.size() > 16) g_voice.ended.erase(g_voice.ended.begin());
}

void note_problem(const std::string &path, const char *why) {
    if (!g_voice.told.insert(path).second) return;
    if (!g_voice.problem.empty()) g_voice.problem += "、";
    g_voice.problem += "「" + std::string(path_file_name(const_cast<char *>(path.c_str()))) + "」" + why;
}

void unduck(HWND window) {
    if (!g_voice.ducked) return;
    g_voice.ducked = false;
    bgm_player(kBgmUnduck, window, nullptr);
}

// Starts the next file of the list that plays; the music comes back up when none is left.
void play_next(HWND window) {
    while (!g_voice.list.empty()) {
        const std::string path = g_voice.list.front();
        g_voice.list.erase(g_voice.list.begin());
        if (!voice_file_there(path.c_str())) {
            note_problem(path, "がありません");
            continue;
        }
        if (!g_voice.ducked) {
            g_voice.ducked = true;
            bgm_player(kBgmDuck, window, nullptr);
        }
        g_voice.device = voice_seam_play(window, path.c_str());
        if (g_voice.device) return;
        note_problem(path, "を再生できません");
    }
    unduck(window);
}

void stop_current() {
    if (!g_voice.device) return;
    voice_seam_stop(g_voice.device);
    remember_ended(g_voice.device);
    g_voice.device = 0;
}

}  // namespace

bool voice_file_there(const char *path) {
    const DWORD a = path && path[0] ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool voice_play_list(HWND window, const char *const *paths, int count) {
    stop_current();
    g_voice.list.clear();
    for (int i = 0; i < count; ++i)
        if (paths[i] && paths[i][0]) g_voice.list.push_back(paths[i]);
    play_next(window);
    return g_voice.device != 0;
}

void voice_stop(HWND window) {
    stop_current();
    g_voice.list.clear();
    unduck(window);
}

bool voice_notified(HWND window, WPARAM flags, LPARAM device) {
    const UINT id = static_cast<UINT>(device);
    if (!id) return false;
    if (id != g_voice.device) {
        // MCI gives a closed voice's number to the next device it opens: the music may have it now.
        if (static_cast<int>(id) == bgm_player(kBgmDevice, window, nullptr)) return false;
        for (UINT e : g_voice.ended)
            if (e == id) return true;
        return false;
    }
    // Cut off by the next file or a stop: that one has taken over already.
    if (flags != MCI_NOTIFY_SUCCESSFUL && flags != MCI_NOTIFY_FAILURE) return true;
    stop_current();
    play_next(window);
    return true;
}

bool voice_playing() { return g_voice.device != 0; }

std::string voice_problem() { return g_voice.problem; }

void voice_forget_problems() {
    g_voice.told.clear();
    g_voice.problem.clear();
}

int voice_order(const ScreenVoices &v, unsigned shown, bool frame_mode, int framed, const char *out[kVoiceParts]) {
    int n = 0;
    if (v.path[0][0]) out[n++] = v.path[0];
    for (int a = 0; a < kAnswerCount; ++a) {
        if (!(shown & (1u << a)) || !v.path[1 + a][0]) continue;
        if (frame_mode && a != framed) continue;
        out[n++] = v.path[1 + a];
    }
    return n;
}

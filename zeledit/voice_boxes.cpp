// Choosing and trying recorded voices in the editor's dialogs, through the voice seam.
#include "voice_boxes.h"
#include "BrixLib.h"
#include "DirList.h"
#include "mainflame.h"
#include "message_box.h"
#include "voice_seam.h"
#include <stdio.h>

namespace {

const char kVoiceTitle[] = "音声ファイルの選択";
UINT g_trying = 0;  // the device of the file being tried; 0: none

void try_voice(HWND dialog, int box) {
    char named[kPathSize] = "", found[kPathSize], message[kPathSize + 160];
    GetDlgItemTextA(dialog, box, named, sizeof named);
    voice_try_stop();
    if (!named[0]) return;
    const char *path = resolve_named_path(named, editor_state()->path, found);
    const DWORD a = GetFileAttributesA(path);
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) {
        snprintf(message, sizeof message, "音声ファイル「%s」が見つかりません。\r\n問題ファイルと同じフォルダーか、プログラムのフォルダーに置いてください。", named);
    } else if (!(g_trying = voice_seam_play(dialog, path))) {
        snprintf(message, sizeof message, "音声ファイル「%s」を再生できません。\r\nWAV か MP3 のファイルを選んでください。", named);
    } else {
        return;
    }
    show_message_box(dialog, message, "音声", MB_OK | MB_ICONWARNING);
    SetFocus(GetDlgItem(dialog, box));
}

}  // namespace

bool voice_box_command(HWND dialog, const VoiceBox *boxes, int count, int id) {
    for (int i = 0; i < count; ++i) {
        if (id == boxes[i].browse) {
            choose_file_into_box(dialog, boxes[i].box, kVoiceTitle, kVoiceFilter);
            return true;
        }
        if (id == boxes[i].play) {
            try_voice(dialog, boxes[i].box);
            return true;
        }
    }
    return false;
}

void voice_try_stop() {
    if (g_trying) voice_seam_stop(g_trying);
    g_trying = 0;
}

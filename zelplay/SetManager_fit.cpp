// The set editor's warning about questions a small kiosk screen cannot show with their fonts.
#include "SetManager_private.h"
#include "BrixLib.h"
#include "font_slot.h"
#include "message_box.h"
#include "screen_check.h"
#include <string>

void warn_unfit_quizzes(HWND dialog, const char *const *entries, int count) {
    const SetRecord *r = set_current_record();
    // As the set gives them: its title font for the question, its question font for the answers.
    LOGFONTA fonts[kFitRoles];
    fonts[kFitMain] = r->title_font;
    fonts[kFitAnswer] = r->question_font;
    comment_font(kFontGetBase, -1, 0, &fonts[kFitComment]);
    std::string named;
    for (int i = 0; i < count; ++i) {
        if (!entries[i] || !entries[i][0]) continue;
        char found[kPathSize];
        std::string unfit;
        if (!unfit_questions_in_file(resolve_named_path(entries[i], set_current_path(), found), fonts, &unfit) ||
            unfit.empty())
            continue;
        named += std::string("「") + entries[i] + "」\r\n" + unfit;
    }
    if (named.empty()) return;
    const std::string text = "次の問題ファイルには、1024×768 の画面にこのフォントの大きさのままでは収まらない問題があります。"
                             "プレーヤーは文字を読める大きさ（4 mm）まで小さくして表示します。\r\n\r\n" + named +
                             "\r\n元の大きさで見せるには、問題エディタで文章や答えを短くするか、フォントを小さくしてください。";
    show_message_box(dialog, text.c_str(), "セットの編集", MB_OK | MB_ICONWARNING);
}

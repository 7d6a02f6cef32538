// 結果の確認's 「実際の回答から予測」: visit logs chosen by the author, read with the player's own
// reader, and the prediction from the answers they hold added below the check.
#include "mainflame.h"
#include "BrixLib.h"
#include "DirList.h"
#include "Other.h"
#include "LoadQues.h"
#include "answer_prediction.h"
#include "message_box.h"
#include "report_dialog.h"
#include "resource.h"
#include "visit_log.h"
#include <stdio.h>
#include <string>
#include <vector>

namespace {

const char kLogFilter[] = "訪問ログ(visits-*.csv)\0visits-*.csv\0CSV ファイル(*.csv)\0*.csv\0すべてのファイル(*.*)\0*.*\0";
const long long kMaxLogBytes = 64LL << 20;  // as the player's tally takes them
// The answers of the logs read last: 均等に分ける may aim at their prediction.
ObservedAnswers g_observed;

}  // namespace

bool predict_from_logs(HWND check_dialog, HWND main_dialog, ReportContent *content) {
    std::vector<std::string> paths;
    char folder[kPathSize] = {0};
    if (!module_folder(folder)) GetWindowsDirectoryA(folder, sizeof folder);
    if (!choose_open_files(check_dialog, "この診断の訪問ログの選択（複数選べます）", kLogFilter, folder, &paths)) return false;
    char title[kQuesTitleSize] = {0};
    GetDlgItemTextA(main_dialog, IDC_MAIN_TITLE, title, sizeof title);
    ObservedAnswers observed;
    std::string unread;
    for (const std::string &path : paths) {
        std::string bytes;
        if (!read_log_file(path.c_str(), kMaxLogBytes, &bytes) || !observe_visit_log(&observed, bytes.data(), bytes.size(), title))
            unread += "  " + path + "\r\n";
    }
    if (!unread.empty())
        show_message_box(check_dialog, ("次のファイルは訪問ログとして読めませんでした:\r\n" + unread).c_str(), "結果の確認",
                         MB_OK | MB_ICONWARNING);
    if (!observed.visits && !observed.other_quiz) return false;
    EditorFileView view;
    editor_file_view(main_dialog, &editor_state()->questions, &editor_state()->results, &view);
    const ResultReport report = make_result_report(&view.file, view.results.size() - 1);
    std::string reason;
    const std::vector<double> shares = observed_row_shares(&view.file, report, observed, &reason);
    content->text += observed_prediction_text(report, observed, shares, reason);
    if (!shares.empty()) g_observed = observed;
    return true;
}

bool aim_at_observed(HWND dialog, const QuestionFile *file, ResultReport *report) {
    if (!g_observed.visits) return true;
    char question[256];
    snprintf(question, sizeof question,
             "実際の回答からの予測（訪問ログ %llu 人）に合わせて分けますか？\r\n「いいえ」なら、どの回答も同じ確率とした予測に合わせます。",
             static_cast<unsigned long long>(g_observed.visits));
    const int answer = show_message_box(dialog, question, "均等に分ける", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    if (answer != IDYES) return true;
    std::string reason;
    std::vector<std::pair<int64_t, double>> shares = observed_total_shares(file, *report, g_observed, &reason);
    if (shares.empty()) {
        show_message_box(dialog, reason.c_str(), "均等に分ける", MB_OK | MB_ICONWARNING);
        return false;
    }
    report->shares.swap(shares);
    return true;
}

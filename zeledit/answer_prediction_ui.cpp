// 結果の確認's 「実際の回答から予測」: visit logs or answer logs chosen by the author, read with the
// player's own readers, and the prediction from the answers they hold added below the check.
#include "mainflame.h"
#include "BrixLib.h"
#include "DirList.h"
#include "Other.h"
#include "LoadQues.h"
#include "answer_prediction.h"
#include "input_box.h"
#include "message_box.h"
#include "report_dialog.h"
#include "resource.h"
#include "visit_log.h"
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const char kCaption[] = "結果の確認";
const char kLogFilter[] =
    "訪問ログ・回答ログ(visits-*.csv;zelm*.csv)\0visits-*.csv;zelm*.csv\0訪問ログ(visits-*.csv)\0visits-*.csv\0"
    "回答ログ(zelm*.csv)\0zelm*.csv\0CSV ファイル(*.csv)\0*.csv\0すべてのファイル(*.*)\0*.*\0";
const long long kMaxLogBytes = 64LL << 20;  // as the player's tally takes them
// The answers of the logs read last: 均等に分ける may aim at their prediction.
ObservedAnswers g_observed;

// An answer log names its quiz only by its place in the player's set (問題1 to 5): one number is
// taken as it is; of several, the author picks, offered the one with the most runs that fit this file.
int quiz_of_answer_logs(HWND dialog, const std::map<int, LoggedQuiz> &quizzes) {
    if (quizzes.size() == 1) return quizzes.begin()->first;
    std::string prompt = "回答ログには次の問題番号があります。この診断の番号を入力してください:\r\n";
    int best = 0;
    uint64_t best_fit = 0;
    for (const auto &q : quizzes) {
        char line[160];
        snprintf(line, sizeof line, "  問題%d: %llu 回（回答と得点がこの診断に合う %llu 回）\r\n", q.first,
                 static_cast<unsigned long long>(q.second.runs), static_cast<unsigned long long>(q.second.fitting_runs));
        prompt += line;
        if (!best || q.second.fitting_runs > best_fit) best = q.first, best_fit = q.second.fitting_runs;
    }
    char typed[16];
    snprintf(typed, sizeof typed, "%d", best);
    for (;;) {
        if (ask_author(dialog, kCaption, prompt.c_str(), typed, sizeof typed) != kInputBoxConfirmed) return 0;
        const int n = atoi(typed);
        if (quizzes.count(n)) return n;
        show_message_box(dialog, "回答ログにない問題番号です。", kCaption, MB_OK | MB_ICONWARNING);
    }
}

// Nothing in the logs fits this file: a prediction from them would be another quiz's, so none is made.
void refuse_unfitting(HWND dialog, const ObservedAnswers &o) {
    std::string text = "選んだログには、この問題ファイルに合う回答がないため、予測できません。\r\n";
    char line[200];
    if (o.other_quiz) {
        snprintf(line, sizeof line, "  ほかの診断（問題タイトルか問題番号が違う）: %llu 人\r\n", static_cast<unsigned long long>(o.other_quiz));
        text += line;
    }
    if (o.unfit) {
        snprintf(line, sizeof line, "  回答と得点が合わない（ほかの診断か、設問を並べ替える前のログ）: %llu 人\r\n",
                 static_cast<unsigned long long>(o.unfit));
        text += line;
    }
    show_message_box(dialog, text.c_str(), kCaption, MB_OK | MB_ICONWARNING);
}

}  // namespace

bool predict_from_logs(HWND check_dialog, HWND main_dialog, ReportContent *content) {
    std::vector<std::string> paths;
    char folder[kPathSize] = {0};
    if (!module_folder(folder)) GetWindowsDirectoryA(folder, sizeof folder);
    if (!choose_open_files(check_dialog, "この診断の訪問ログ・回答ログの選択（複数選べます）", kLogFilter, folder, &paths)) return false;
    char title[kQuesTitleSize] = {0};
    GetDlgItemTextA(main_dialog, IDC_MAIN_TITLE, title, sizeof title);
    EditorFileView view;
    editor_file_view(main_dialog, &editor_state()->questions, &editor_state()->results, &view);
    ObservedAnswers observed;
    std::string unread;
    std::vector<std::pair<std::string, std::string>> answer_logs;  // path, bytes
    std::map<int, LoggedQuiz> quizzes;
    for (const std::string &path : paths) {
        std::string bytes;
        if (!read_log_file(path.c_str(), kMaxLogBytes, &bytes)) {
            unread += "  " + path + "\r\n";
        } else if (is_visit_log(bytes.data(), bytes.size())) {
            if (!observe_visit_log(&observed, bytes.data(), bytes.size(), title, &view.file)) unread += "  " + path + "\r\n";
        } else {
            const std::map<int, LoggedQuiz> in_log = answer_log_quizzes(bytes.data(), bytes.size(), &view.file);
            if (in_log.empty()) {
                unread += "  " + path + "\r\n";
                continue;
            }
            for (const auto &q : in_log) {
                quizzes[q.first].runs += q.second.runs;
                quizzes[q.first].answers += q.second.answers;
                quizzes[q.first].fitting += q.second.fitting;
                quizzes[q.first].fitting_runs += q.second.fitting_runs;
            }
            answer_logs.emplace_back(path, std::move(bytes));
        }
    }
    if (!unread.empty())
        show_message_box(check_dialog, ("次のファイルは訪問ログとしても回答ログとしても読めませんでした:\r\n" + unread).c_str(), kCaption,
                         MB_OK | MB_ICONWARNING);
    uint64_t runs = 0, fitting_runs = 0;
    for (const auto &q : quizzes) runs += q.second.runs, fitting_runs += q.second.fitting_runs;
    if (!answer_logs.empty() && !fitting_runs) {
        observed.unfit += runs;  // no number to ask for: none of them is this file's
    } else if (!answer_logs.empty()) {
        const int quiz = quiz_of_answer_logs(check_dialog, quizzes);
        if (!quiz) return false;
        for (const auto &log : answer_logs) observe_answer_log(&observed, log.second.data(), log.second.size(), quiz, &view.file);
    }
    if (!observed.visits && !observed.other_quiz && !observed.unfit) return false;
    if (!observed.visits) {
        refuse_unfitting(check_dialog, observed);
        return false;
    }
    const ResultReport report = make_result_report(&view.file, view.results.size() - 1);
    std::string reason;
    const std::vector<double> shares = observed_row_shares(&view.file, report, observed, &reason);
    content->text += observed_prediction_text(report, observed, shares, reason);
    if (!shares.empty()) g_observed = observed;
    return true;
}

bool aim_at_observed(HWND dialog, const QuestionFile *file, ResultReport *report) {
    if (!g_observed.visits || report->typed) return true;
    char question[256];
    snprintf(question, sizeof question,
             "実際の回答からの予測（ログの %llu 人）に合わせて分けますか？\r\n「いいえ」なら、どの回答も同じ確率とした予測に合わせます。",
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

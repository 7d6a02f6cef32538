#include "tally_dialog.h"
#include <string>
#include <vector>
#include "BrixLib.h"
#include "DirList.h"
#include "QuesManager.h"
#include "log_tally.h"
#include "report_dialog.h"
#include "resource.h"

namespace {

const char kLogFilter[] = "結果ログ (zelm*.csv)\0zelm*.csv\0CSV ファイル (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0";

void fill(ReportContent *content, const std::vector<std::string> &paths) {
    LogTally tally;
    std::string missing;
    for (const std::string &path : paths)
        if (!tally_log_file(&tally, path.c_str())) missing += "読めなかったファイル: " + path + "\r\n";
    const QuestionFile *slots[kTallyFiles];
    for (int i = 0; i < kTallyFiles; ++i) slots[i] = loaded_question_file(i);
    Table table = tally_table(tally, slots);
    std::string files;
    for (const std::string &path : paths) files += "集計したファイル: " + path + "\r\n";
    content->text = files + missing + "\r\n" + table_text(table);
    content->csv = table_csv(table);
}

void on_command(HWND dialog, int id, ReportContent *content) {
    if (id != IDC_TALLY_CHOOSE) return;
    char folder[kPathSize] = {0};
    module_folder(folder);
    std::vector<std::string> paths;
    if (choose_open_files(dialog, "集計するログファイルの選択（複数選べます）", kLogFilter, folder, &paths)) fill(content, paths);
}

}  // namespace

void show_tally(HWND owner, HINSTANCE instance) {
    char log[kPathSize] = {0};
    char *buffer = log;
    run_engine(kRunGetLogPath, 0, &buffer);
    ReportContent content = {std::string(), std::string(), "集計.csv", on_command};
    fill(&content, std::vector<std::string>(1, log));
    run_report_dialog(owner, instance, IDD_TALLY, &content);
}

// The 集計 dialog: the tally of the current result log and of the log files and folders the operator adds.
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

const char kLogFilter[] =
    "ログ (zelm*.csv, visits-*.csv)\0zelm*.csv;visits-*.csv\0CSV ファイル (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0";

// The files chosen so far; each choice adds to them.
std::vector<std::string> g_paths;

void add_path(const std::string &path) {
    for (const std::string &p : g_paths)
        if (lstrcmpiA(p.c_str(), path.c_str()) == 0) return;
    g_paths.push_back(path);
}

// Every visit log in folder: all kiosks and days.
void add_folder(const char *folder) {
    std::string base = folder;
    // Only a drive's root comes with its backslash; a last byte 0x5C may be half of "表".
    if (!(base.size() == 3 && base[1] == ':')) base += '\\';
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((base + "visits-*.csv").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return;
    do
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) add_path(base + found.cFileName);
    while (FindNextFileA(h, &found));
    FindClose(h);
}

void fill(ReportContent *content) {
    LogTally tally;
    std::string missing;
    for (const std::string &path : g_paths)
        if (!tally_log_file(&tally, path.c_str())) missing += "読めなかったファイル: " + path + "\r\n";
    const QuestionFile *slots[kTallyFiles];
    for (int i = 0; i < kTallyFiles; ++i) slots[i] = loaded_question_file(i);
    Table table = tally_table(tally, slots);
    std::string files;
    for (const std::string &path : g_paths) files += "集計したファイル: " + path + "\r\n";
    content->text = files + missing + "\r\n" + table_text(table);
    content->csv = table_csv(table);
}

void on_command(HWND dialog, int id, ReportContent *content) {
    char folder[kPathSize] = {0};
    module_folder(folder);
    if (id == IDC_TALLY_CHOOSE) {
        std::vector<std::string> paths;
        if (!choose_open_files(dialog, "集計に加えるログファイルの選択（複数選べます）", kLogFilter, folder, &paths)) return;
        for (const std::string &p : paths) add_path(p);
    } else if (id == IDC_TALLY_FOLDER) {
        if (!choose_folder(dialog, "来場者ごとの記録（visits-*.csv）を集計に加えるフォルダー", folder)) return;
        add_folder(folder);
    } else if (id == IDC_TALLY_CLEAR) {
        g_paths.clear();
    } else {
        return;
    }
    fill(content);
}

}  // namespace

void show_tally(HWND owner, HINSTANCE instance) {
    char log[kPathSize] = {0};
    char *buffer = log;
    run_engine(kRunGetLogPath, 0, &buffer);
    g_paths.assign(1, log);
    ReportContent content = {std::string(), std::string(), "集計.csv", on_command};
    fill(&content);
    run_report_dialog(owner, instance, IDD_TALLY, &content);
}

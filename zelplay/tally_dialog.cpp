// The 集計 dialog: the tally of the current result log and of the log files and folders the operator
// adds, and what the counting could not take.
#include "tally_dialog.h"
#include <new>
#include <string>
#include <vector>
#include "BrixLib.h"
#include "DirList.h"
#include "QuesManager.h"
#include "log_tally.h"
#include "message_box.h"
#include "report_dialog.h"
#include "resource.h"

namespace {

const char kLogFilter[] =
    "ログ (zelm*.csv, visits-*.csv)\0zelm*.csv;visits-*.csv\0CSV ファイル (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0";

// The files chosen so far; each choice adds to them.
std::vector<std::string> g_paths;
// The charts and HTML report of the last count, shown by the dialog.
ReportCharts g_charts;

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

const char kTallyCaption[] = "集計";

void count(HWND owner, ReportContent *content, const std::vector<std::string> &paths) {
    LogTally tally;
    std::vector<std::string> read, unread;  // the report names as counted only what it counted
    for (const std::string &path : paths) {
        bool too_large = false;
        if (tally_log_file(&tally, path.c_str(), &too_large)) {
            read.push_back(path);
            continue;
        }
        unread.push_back(path);
        if (!too_large) continue;
        std::string text = "「" + path + "」は " + std::to_string(static_cast<long long>(kTallyMaxBytes >> 20)) +
                           " MB を超えるため集計しません。\r\nログを分けてから選んでください。";
        show_message_box(owner, text.c_str(), kTallyCaption, MB_OK | MB_ICONWARNING);
    }
    const QuestionFile *slots[kTallyFiles];
    for (int i = 0; i < kTallyFiles; ++i) slots[i] = loaded_question_file(i);
    Table table = tally_table(tally, slots);
    content->text = tally_files_text(read, unread) + "\r\n" + table_text(tally_table(tally, slots, true));
    content->csv = table_csv(table);
    g_charts.document = tally_document(tally, slots, read);
}

void say_out_of_memory(HWND owner, ReportContent *content) {
    content->text.clear();
    content->csv.clear();
    g_charts.document = ReportDocument();
    show_message_box(owner, "集計に使うメモリーが足りません。選ぶログを減らしてください。", kTallyCaption,
                     MB_OK | MB_ICONWARNING);
}

// Running out of memory ends the tally with a word, not the kiosk. Caught here, where the work
// starts: an exception must not cross the dialog's window procedure.
void fill(HWND owner, ReportContent *content, const std::vector<std::string> &paths) {
    try {
        count(owner, content, paths);
    } catch (const std::bad_alloc &) {
        say_out_of_memory(owner, content);
    }
}

void on_command(HWND dialog, int id, ReportContent *content) {
    char folder[kPathSize] = {0};
    module_folder(folder);
    try {
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
        fill(dialog, content, g_paths);
    } catch (const std::bad_alloc &) {
        say_out_of_memory(dialog, content);
    }
}

}  // namespace

void show_tally(HWND owner, HINSTANCE instance) {
    char log[kPathSize] = {0};
    char *buffer = log;
    run_engine(kRunGetLogPath, 0, &buffer);
    g_paths.assign(1, log);
    ReportContent content = {std::string(), std::string(), "集計.csv", on_command};
    g_charts.html_name = "集計.html";
    fill(owner, &content, g_paths);
    run_report_dialog(owner, instance, IDD_TALLY, &content, &g_charts);
    g_charts.document = ReportDocument();  // no memory held between tallies
}

// The 集計 dialog: the tally of the current result log and of the log files and folders the operator
// adds, and what the counting could not take.
#include "tally_dialog.h"
#include <new>
#include <string.h>
#include <string>
#include <vector>
#include "BrixLib.h"
#include "DirList.h"
#include "file_bundle.h"
#include "QuesManager.h"
#include "log_tally.h"
#include "message_box.h"
#include "report_dialog.h"
#include "resource.h"

namespace {

const char kLogFilter[] =
    "ログ (zelm*.csv, visits-*.csv)\0zelm*.csv;visits-*.csv\0CSV ファイル (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0";

const char kTallyCaption[] = "集計";

// The files chosen so far; each choice adds to them.
std::vector<std::string> g_paths;
// The charts and HTML report of the last count, shown by the dialog.
ReportCharts g_charts;
// The period and kiosks counted, and the event the report is for (kept for the user).
VisitFilter g_filter;
std::string g_event, g_html_name, g_csv_name;
const char kSettingsKey[] = "Software\\Zelmica\\zelplay\\集計";

std::string kept_event() {
    char value[256] = {0};
    DWORD type = 0, size = sizeof value - 1;
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &k) != ERROR_SUCCESS) return "";
    bool ok = RegQueryValueExA(k, "Event", nullptr, &type, reinterpret_cast<BYTE *>(value), &size) == ERROR_SUCCESS && type == REG_SZ;
    RegCloseKey(k);
    return ok ? std::string(value) : std::string();
}

void keep_event(const std::string &event) {
    HKEY k = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS) return;
    RegSetValueExA(k, "Event", 0, REG_SZ, reinterpret_cast<const BYTE *>(event.c_str()), static_cast<DWORD>(event.size() + 1));
    RegCloseKey(k);
}

// The event's name heads the report and names the files it is saved to.
void name_report(ReportContent *content) {
    const std::string base = g_event.empty() ? std::string("集計") : g_event + " 集計";
    g_html_name = safe_file_name(base + ".html");
    g_csv_name = safe_file_name(base + ".csv");
    g_charts.html_name = g_html_name.c_str();
    content->csv_name = g_csv_name.c_str();
    g_charts.document.title = base;
}

std::string box_text(HWND dialog, int id) {
    char text[256] = {0};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The boxes as the filter; false (the faulty box focused, the operator told) when a date is no date.
bool read_filter(HWND dialog) {
    VisitFilter f;
    const int ids[2] = {IDC_TALLY_FROM, IDC_TALLY_TO};
    std::string *ends[2] = {&f.from, &f.to};
    for (int i = 0; i < 2; ++i) {
        if (parse_filter_hour(box_text(dialog, ids[i]), i == 1, ends[i])) continue;
        show_message_box(dialog, "期間は「2026-12-08」または時刻まで「2026-12-08 10」（10時台）のように書いてください。空欄は制限なしです。",
                         kTallyCaption, MB_OK | MB_ICONWARNING);
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, ids[i])), TRUE);
        return false;
    }
    if (!f.from.empty() && !f.to.empty() && f.from > f.to) {
        show_message_box(dialog, "期間の始めが終わりより後になっています。", kTallyCaption, MB_OK | MB_ICONWARNING);
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_TALLY_FROM)), TRUE);
        return false;
    }
    std::string kiosks = box_text(dialog, IDC_TALLY_KIOSKS);
    for (size_t at; (at = kiosks.find("、")) != std::string::npos;) kiosks.replace(at, strlen("、"), ",");
    size_t start = 0;
    for (;;) {
        size_t comma = kiosks.find(',', start);
        std::string k = kiosks.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        while (!k.empty() && k.front() == ' ') k.erase(0, 1);
        while (!k.empty() && k.back() == ' ') k.pop_back();
        if (!k.empty()) f.kiosks.insert(k);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    g_filter = f;
    g_event = box_text(dialog, IDC_TALLY_EVENT);
    keep_event(g_event);
    return true;
}

void on_init(HWND dialog, ReportContent *) {
    SetDlgItemTextA(dialog, IDC_TALLY_EVENT, g_event.c_str());
    SendDlgItemMessageA(dialog, IDC_TALLY_EVENT, EM_LIMITTEXT, 100, 0);
}

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

void count(HWND owner, ReportContent *content, const std::vector<std::string> &paths) {
    LogTally tally;
    tally.visits.filter = g_filter;
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
    name_report(content);
    if (g_filter.any()) {
        content->text = g_filter.text() + "（外の " + std::to_string(static_cast<unsigned long long>(tally.visits.left_out)) +
                        " 件は数えていません。答えのログ zelm*.csv は日ごとのまま数えます）\r\n" + content->text;
    }
    if (!tally.visits.all_kiosks.empty()) {
        std::string all;
        for (const std::string &k : tally.visits.all_kiosks) all += (all.empty() ? "" : "、") + k;
        content->text = "ログにあるキオスク: " + all + "\r\n" + content->text;
    }
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
    if (id == IDC_REPORT_SAVE || id == IDC_REPORT_HTML) {  // the event as typed names what is saved
        g_event = box_text(dialog, IDC_TALLY_EVENT);
        keep_event(g_event);
        name_report(content);
        return;
    }
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
        } else if (id == IDC_TALLY_APPLY) {
            if (!read_filter(dialog)) return;
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
    ReportContent content = {std::string(), std::string(), "集計.csv", on_command, on_init, kSettingsKey};
    g_filter = VisitFilter();  // each 集計 starts with every visit; the event stays the user's
    g_event = kept_event();
    fill(owner, &content, g_paths);
    run_report_dialog(owner, instance, IDD_TALLY, &content, &g_charts);
    g_charts.document = ReportDocument();  // no memory held between tallies
}

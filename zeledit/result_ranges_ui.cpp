// The result rows' ranges of totals in the main dialog: the list's range column, the checks
// before a save, and 「均等に分ける」.
#include "mainflame.h"
#include "LoadQues.h"
#include "ListView.h"
#include "input_box.h"
#include "message_box.h"
#include "question_codec.h"
#include "resource.h"
#include "result_ranges.h"
#include <stdio.h>
#include <string.h>

namespace {

const char kRangeCaption[] = "得点の範囲";
const char kSplitCaption[] = "均等に分ける";
// The targets typed last, offered again: an author tries a few in a row.
char g_targets[256] = "";
TargetAskFn g_ask_targets = input_box;

bool option(HWND dialog, int box) { return IsDlgButtonChecked(dialog, box) == BST_CHECKED; }

void result_check_of(HWND dialog, EditorFileView *view, ResultReport *report) {
    editor_file_view(dialog, &editor_state()->questions, &editor_state()->results, view);
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    *report = make_result_report(&view->file, view->results.size() - 1);
    SetCursor(old);
}

}  // namespace

void result_range_text(HWND dialog, const ResultRecord *r, char *out, size_t size) {
    if (!size) return;
    out[0] = '\0';
    if (r->ranged && !editor_scoring().typed) {
        snprintf(out, size, "%ld〜%ld", static_cast<long>(r->rangeFrom), static_cast<long>(r->rangeTo));
        return;
    }
    // Without its own range the row's place follows from the whole file, as the player reads it.
    const bool top = option(dialog, IDC_MAIN_TOP_ROW), bottom = option(dialog, IDC_MAIN_BOTTOM_ROW);
    ResultRules rules = {0, 0, option(dialog, IDC_MAIN_ROUND_UP), false, false, 0, false, nullptr, false, 0};
    for (ListNode *e = editor_state()->questions.next; e; e = e->next) {
        const QuestionRecord *q = static_cast<const QuestionRecord *>(e->data);
        rules.highest = saturating_add(rules.highest, question_highest_points(q));
        rules.lowest = saturating_add(rules.lowest, question_lowest_points(q));
    }
    const int n = liner_count(&editor_state()->results);
    int m = 0, row = -1;
    bool ended = false;  // a row without title ends the banded rows
    for (ListNode *e = editor_state()->results.next; e; e = e->next, ++m) {
        const ResultRecord *rec = static_cast<const ResultRecord *>(e->data);
        const int key = result_row_key(m, n, top, bottom);
        if (key == kKeyTopRow) rules.top_row = rec->title[0] != 0;
        if (key == kKeyBottomRow) rules.bottom_row = rec->title[0] != 0;
        if (rec == r && key != kKeyResult && editor_scoring().typed) return (void)snprintf(out, size, "（タイプ式では使われません）");
        if (rec == r && key == kKeyTopRow) return (void)snprintf(out, size, "%ld（最高得点）", static_cast<long>(rules.highest));
        if (rec == r && key == kKeyBottomRow) return (void)snprintf(out, size, "%ld（最低得点）", static_cast<long>(rules.lowest));
        if (key != kKeyResult) continue;
        if (!rec->title[0]) ended = true;
        if (ended) continue;
        if (rec == r) row = rules.banded;
        if (rec == r && editor_scoring().typed) return (void)snprintf(out, size, "タイプ %ld", static_cast<long>(row + 1));
        if (rec->ranged) rules.ranged = true;
        ++rules.banded;
    }
    if (row < 0) return;
    int64_t from = 0, to = 0;
    if (rules.ranged) snprintf(out, size, "（範囲なし）");
    else if (band_totals(rules, row, &from, &to)) snprintf(out, size, "%lld〜%lld（均等）", static_cast<long long>(from), static_cast<long long>(to));
    else snprintf(out, size, "（届かない）");
}

int ask_author(HWND owner, const char *caption, const char *prompt, char *buffer, int size) {
    return g_ask_targets(owner, caption, prompt, ES_AUTOHSCROLL, buffer, size);
}

TargetAskFn set_target_ask_fn(TargetAskFn fn) {
    TargetAskFn old = g_ask_targets;
    g_ask_targets = fn ? fn : input_box;
    return old;
}

bool ranges_allow_save(HWND dialog) {
    EditorFileView view;
    ResultReport report;
    result_check_of(dialog, &view, &report);
    const RangeCheck check = check_ranges(&view.file, report);
    if (!check.refused.empty()) {
        std::string text = check.refused + "\r\n結果の得点の範囲を直してから保存してください。";
        show_message_box(dialog, text.c_str(), kRangeCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (check.uncovered.empty()) return true;
    std::string text = check.uncovered + "\r\nこのまま保存しますか？";
    return show_message_box(dialog, text.c_str(), kRangeCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool run_even_split(HWND dialog) {
    // Said before any count or question: a file scored by types has no totals to split.
    if (editor_scoring().typed) {
        show_message_box(dialog, kTypedSplitRefusal, kSplitCaption, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    EditorFileView view;
    ResultReport report;
    result_check_of(dialog, &view, &report);
    if (report.status != kReportOk) {
        show_message_box(dialog, result_report_text(report).c_str(), kSplitCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!aim_at_observed(dialog, &view.file, &report)) return false;
    std::vector<double> targets;
    for (;;) {
        char typed[sizeof g_targets];
        memcpy(typed, g_targets, sizeof typed);
        if (g_ask_targets(dialog, kSplitCaption,
                      "目標の割合（%）を上の行から順にコンマ区切りで（例: 5,,30）。\r\n空欄の行は残りを等分します。",
                      ES_AUTOHSCROLL, typed, sizeof typed) != kInputBoxConfirmed)
            return false;
        std::string error;
        if (parse_target_shares(typed, static_cast<size_t>(report.rules.banded), &targets, &error)) {
            memcpy(g_targets, typed, sizeof g_targets);
            break;
        }
        show_message_box(dialog, error.c_str(), kSplitCaption, MB_OK | MB_ICONWARNING);
    }
    const SplitPlan plan = even_split(report, targets);
    std::vector<std::string> titles;
    for (int32_t b = 0; b < report.rules.banded; ++b) titles.push_back(view.file.results[b].title);
    std::string text = split_plan_text(plan, titles);
    if (!plan.ok) {
        show_message_box(dialog, text.c_str(), kSplitCaption, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    text += "\r\nこの範囲を結果の行に入れますか？（元に戻すで戻せます）";
    if (show_message_box(dialog, text.c_str(), kSplitCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    // The banded rows in list order are the plan's rows: one undo step for all of them.
    ListChange change(dialog);
    const bool top = option(dialog, IDC_MAIN_TOP_ROW), bottom = option(dialog, IDC_MAIN_BOTTOM_ROW);
    const int n = liner_count(&editor_state()->results);
    int m = 0;
    size_t b = 0;
    for (ListNode *e = editor_state()->results.next; e && b < plan.ranges.size(); e = e->next, ++m) {
        if (result_row_key(m, n, top, bottom) != kKeyResult) continue;
        ResultRecord *rec = static_cast<ResultRecord *>(e->data);
        rec->ranged = 1;
        rec->rangeFrom = static_cast<int32_t>(plan.ranges[b].first);
        rec->rangeTo = static_cast<int32_t>(plan.ranges[b].second);
        ++b;
    }
    InvalidateRect(GetDlgItem(dialog, IDC_MAIN_RESULTS), nullptr, TRUE);
    return true;
}

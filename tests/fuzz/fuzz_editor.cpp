// The editor's open under the fuzz driver: its main dialog made hidden, the file handed over
// through the open-file dialog seam, and the records and list views checked afterwards.
#include "fuzz_checks.h"

#include <windows.h>
#include <commctrl.h>

#include "../../zeledit/mainflame.h"
#include "../../zeledit/resource.h"
#include "BrixLib.h"
#include "DirList.h"
#include "LoadQues.h"
#include "font_slot.h"
#include "question_records.h"

namespace {

HWND g_dialog;
std::string g_pick;
CommonDialogs g_previous;

BOOL answer_open(OPENFILENAMEA *o) {
    strcpy(o->lpstrFile, g_pick.c_str());
    return TRUE;
}

void check_question(const QuestionRecord *q, Problems &p) {
    Guarded<QuestionRecord> g;
    memcpy(&g.value, q, sizeof *q);
    check_text(g.value.text, sizeof g.value.text, "editor question text", p);
    for (const char *a : g.value.answers) check_text(a, kAnswerTextSize, "editor answer", p);
    check_text(g.value.picture, sizeof g.value.picture, "editor question picture", p);
    g.check("editor question copy", p);
}

void check_result(const ResultRecord *r, Problems &p) {
    check_text(r->title, sizeof r->title, "editor result title", p);
    check_text(r->comment, sizeof r->comment, "editor result comment", p);
    check_text(r->picture, sizeof r->picture, "editor result picture", p);
}

}  // namespace

bool editor_start() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    CommonDialogs scripted = {answer_open, nullptr, nullptr, nullptr};
    g_previous = set_common_dialogs(&scripted);
    g_dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_dialog_proc, 0);
    return g_dialog != nullptr;
}

void editor_open_and_check(const std::string &path, Problems &p) {
    EditorState *s = editor_state();
    g_pick = path;
    if (open_question_file(g_dialog, &s->questions, &s->results, s->path) != 1) {
        p.push_back("editor: an existing file was not opened");
        return;
    }
    check_text(s->path, kPathSize, "editor path", p);
    if (strcmp(s->path, path.c_str()) != 0) p.push_back("editor: the path kept is not the file opened");
    int questions = 0, results = 0;
    for (ListNode *e = s->questions.next; e; e = e->next, ++questions)
        check_question(static_cast<const QuestionRecord *>(e->data), p);
    for (ListNode *e = s->results.next; e; e = e->next, ++results)
        check_result(static_cast<const ResultRecord *>(e->data), p);
    // The list views show the lists row for row.
    if (ListView_GetItemCount(GetDlgItem(g_dialog, IDC_MAIN_QUESTIONS)) != questions)
        p.push_back("editor: question list view and list differ in length");
    if (ListView_GetItemCount(GetDlgItem(g_dialog, IDC_MAIN_RESULTS)) != results)
        p.push_back("editor: result list view and list differ in length");
    Guarded<LOGFONTA> font;
    memset(&font.value, 0, sizeof font.value);
    if (question_font(kFontGetFile, 0, 0, &font.value))
        check_text(font.value.lfFaceName, LF_FACESIZE, "editor question font face", p);
    font.check("editor font copy", p);
}

void editor_stop() {
    if (g_dialog) DestroyWindow(g_dialog);
    g_dialog = nullptr;
    set_common_dialogs(&g_previous);
}

// Interrupted saves of question files by the editor.
#include "LoadQues.h"
#include "editor_dialog_fixture.h"
#include "interrupted_save_cases.h"

namespace {
// The editor's main dialog, hidden, holding a file with every kind of line.
struct EditorSaver : Saver {
    MainDialog dialog;
    const char *extension() const override { return ".qst"; }
    void fill(const ScratchFolder &dir) override {
        std::string source = dir.write("source.qst",
                                       "N,題\r\nQ,一問目~_#%,はい,5,いいえ,-3,,0,,0,,0,q.jpg,1,2,3\r\nQ,二問目,a,1\r\n"
                                       "H,上\r\nF,下\r\nU,最高\r\nS,中,説明\r\nR,最低,,low.bmp,4,5\r\n"
                                       "SndSt,s.wav\r\nQuesWall,w.jpg\r\nRoundUp,\r\n");
        EditorState *s = dialog.state();
        ASSERT_EQ(open_question_file(dialog.dialog, &s->questions, &s->results, s->path, source.c_str()), 1);
        s->path[0] = '\0';
    }
    int save(const std::string &target) override {
        g_save_pick = target;
        EditorState *s = dialog.state();
        return save_question_file(dialog.dialog, s->path, &s->questions, &s->results);
    }
};

Saver *make_editor_saver() { return new EditorSaver; }
}  // namespace

INSTANTIATE_TEST_SUITE_P(QuestionFiles, InterruptedSave, ::testing::Values(make_editor_saver));

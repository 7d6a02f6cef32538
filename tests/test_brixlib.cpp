// Text, path and file operations, with Shift-JIS texts whose second bytes look like '\\' or 'A'..'Z'.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "BrixLib.h"
#include "message_box_recorder.h"

TEST(Split, DelimiterFoundOrNot) {
    char tok[32] = "x";
    const char *rest = "unset";
    EXPECT_EQ(split_at_delimiter("SAVEROFF", ",", tok, sizeof tok, &rest), 0);
    EXPECT_STREQ(tok, "SAVEROFF");
    EXPECT_EQ(rest, nullptr);
    EXPECT_EQ(split_at_delimiter("ab,cd,ef", ",", tok, sizeof tok, &rest), 1);
    EXPECT_STREQ(tok, "ab");
    EXPECT_STREQ(rest, "cd,ef");
    strcpy(tok, "keep");
    rest = "keep";
    EXPECT_EQ(split_at_delimiter("", ",", tok, sizeof tok, &rest), 0);
    EXPECT_EQ(split_at_delimiter("a,b", "", tok, sizeof tok, &rest), 0);
    EXPECT_STREQ(tok, "keep");
    EXPECT_STREQ(rest, "keep");
    // Token bounded by its buffer, without half a character.
    char small[4];
    EXPECT_EQ(split_at_delimiter("表表表,x", ",", small, sizeof small, &rest), 1);
    EXPECT_STREQ(small, "表");
    EXPECT_STREQ(rest, "x");
}

TEST(NoCase, FindReplaceCompareAcrossDoubleByteCharacters) {
    // "ア" is 0x83 0x41: its second byte is 'A' and must not match or fold.
    EXPECT_EQ(find_text_nocase("アイウ", "a"), nullptr);
    EXPECT_EQ(find_text_nocase("", "a"), nullptr);
    const char *t = "xxRoundUP";
    EXPECT_EQ(find_text_nocase(t, "roundup"), t + 2);
    char out[64];
    EXPECT_STREQ(replace_all_nocase(out, sizeof out, "a\\Cb\\c", "\\c", ","), "a,b,");
    // "ソ" is 0x83 0x5C: its second byte is a backslash.
    EXPECT_STREQ(replace_all_nocase(out, sizeof out, "ソc表n", "\\c", ","), "ソc表n");
    EXPECT_STREQ(replace_all_nocase(out, sizeof out, "plain", "\\c", ","), "plain");
    EXPECT_STREQ(replace_all_nocase(out, 6, "aXaXaXaX", "x", "yy"), "ayyay");
    // Texts without the pattern's first byte: copied whole, or cut before a double-byte character.
    EXPECT_STREQ(replace_all_nocase(out, 4, "アイウ", ",", "~_#%"), "ア");
    EXPECT_STREQ(replace_all_nocase(out, 2, "アイ", ",", "~_#%"), "");
    EXPECT_STREQ(replace_all_nocase(out, sizeof out, "ab\x81", ",", "~_#%"), "ab\x81");
    // A comma is never a second byte: a lead byte before it stands alone.
    EXPECT_STREQ(replace_all_nocase(out, sizeof out, "\x81,x,", ",", ";"), "\x81;x;");
    EXPECT_EQ(compare_prefix_nocase("QuesWall,x", "queswall", 8), 0);
    EXPECT_NE(compare_prefix("QuesWall", "queswall", 8), 0);
    EXPECT_NE(compare_prefix_nocase("ア", "\x83" "a", 2), 0);
    char dst[8] = "ab";
    EXPECT_STREQ(append_prefix(dst, sizeof dst, "cdefghij", 3), "abcde");
    EXPECT_STREQ(append_prefix(dst, sizeof dst, "xyzw", 4), "abcdexy");
}

TEST(ScanFields, ConversionsAndCounts) {
    int a = 0, b = 0, c = -1;
    EXPECT_EQ(scan_fields("5,7", ",", "%d,%d", &a, &b), 1);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(scan_fields("5,7,9", ",", "%d,%d", &a, &b), 0);
    EXPECT_EQ(scan_fields("8", ",", "%d,%d,%d", &a, &b, &c), 1);
    EXPECT_EQ(a, 8);
    EXPECT_EQ(b, 7);  // fewer fields leave later outputs alone
    int32_t x = 0, l = 0;
    double f = 0;
    unsigned char by = 0;
    short r = 0;
    char s[8];
    EXPECT_EQ(scan_fields("ff,-12,2.5,128,-3,ＭＳ ゴシック", ",", "%x,%l,%f,%b,%r,%8s", &x, &l, &f, &by, &r, s), 1);
    EXPECT_EQ(x, 255);
    EXPECT_EQ(l, -12);
    EXPECT_DOUBLE_EQ(f, 2.5);
    EXPECT_EQ(by, 128);
    EXPECT_EQ(r, -3);
    EXPECT_STREQ(s, "ＭＳ ゴ");  // bounded to 8 bytes with its terminator
    EXPECT_EQ(scan_fields("1", ",", "%q", &a), 0);
}

TEST(Paths, Components) {
    char p[kPathSize] = "C:\\a\\b\\";
    EXPECT_STREQ(path_last_part(p, false), "b\\");
    EXPECT_STREQ(p, "C:\\a\\b\\");
    EXPECT_STREQ(path_file_name(p), "b");
    EXPECT_STREQ(p, "C:\\a\\b");
    char q[kPathSize] = "C:\\表\\ソ.qst";
    EXPECT_STREQ(path_file_name(q), "ソ.qst");
    char r[kPathSize] = "ソ表";  // no real backslash at all
    EXPECT_STREQ(path_file_name(r), "ソ表");
    char out[kPathSize];
    EXPECT_EQ(path_folder_part("C:\\表\\x.qst", out, false), 1);
    EXPECT_STREQ(out, "C:\\表");
    EXPECT_EQ(path_folder_part("C:\\表\\x.qst", out, true), 1);
    EXPECT_STREQ(out, "C:\\表\\");
    EXPECT_EQ(path_folder_part("x.qst", out, true), 0);
    EXPECT_STREQ(out, "");
    path_strip_last("a\\b\\c", out);
    EXPECT_STREQ(out, "a\\b");
    EXPECT_EQ(path_extension("noext"), nullptr);
    EXPECT_STREQ(path_extension("a.b.jpeg"), "jpeg");
    EXPECT_EQ(path_extension("能"), nullptr);
    EXPECT_TRUE(is_nt_platform());
    EXPECT_EQ(module_folder(out), 1);
    EXPECT_EQ(out[strlen(out) - 1], '\\');
    char folder[kPathSize];
    EXPECT_STREQ(path_folder("Z:\\no\\such\\dir\\x.qst", folder), "");
}

TEST(Paths, RelationAndRelative) {
    EXPECT_EQ(path_relation("C:\\prog\\", "C:\\PROG\\"), kRelSame);
    EXPECT_EQ(path_relation("C:\\prog", "C:\\prog\\ques\\"), kRelBelow);
    EXPECT_EQ(path_relation("C:\\prog\\sub\\", "C:\\prog\\"), kRelParent);
    EXPECT_EQ(path_relation("C:\\prog\\sub\\deep\\", "C:\\"), kRelAncestor);
    EXPECT_EQ(path_relation("C:\\prog\\", "D:\\x\\"), kRelOtherRoot);
    EXPECT_EQ(path_relation("C:\\prog\\a\\", "C:\\prog\\b\\c\\"), kRelSameFirstFolder);
    EXPECT_EQ(path_relation("C:\\prog\\", "C:\\data\\"), kRelSameRoot);

    // Real folders so the base is taken as a folder.
    char cwd[kPathSize], base[kPathSize], sub[kPathSize], out[kPathSize];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    snprintf(base, sizeof base, "%s\\relprog\\", cwd);
    snprintf(sub, sizeof sub, "%s\\relprog\\sub\\", cwd);
    CreateDirectoryA(base, nullptr);
    CreateDirectoryA(sub, nullptr);
    std::string b = base;
    EXPECT_EQ(make_relative_path(base, (b + "a.qst").c_str(), out), 1);
    EXPECT_STREQ(out, "a.qst");
    EXPECT_EQ(make_relative_path(base, (b + "ques\\q1.qst").c_str(), out), 1);
    EXPECT_STREQ(out, "ques\\q1.qst");
    EXPECT_EQ(make_relative_path(base, (std::string(cwd) + "\\data\\x.qst").c_str(), out), 1);
    EXPECT_STREQ(out, "..\\data\\x.qst");
    EXPECT_EQ(make_relative_path(base, (std::string(cwd) + "\\relprogram\\x.qst").c_str(), out), 1);
    EXPECT_STREQ(out, "..\\relprogram\\x.qst");
    EXPECT_EQ(make_relative_path(sub, (b + "x.qst").c_str(), out), 1);
    EXPECT_STREQ(out, "..\\x.qst");
    EXPECT_EQ(make_relative_path(base, "Q:\\x.qst", out), 1);
    EXPECT_STREQ(out, "Q:\\x.qst");
    strcpy(out, "keep");
    EXPECT_EQ(make_relative_path("", "a", out), 0);
    EXPECT_STREQ(out, "keep");
    RemoveDirectoryA(sub);
    RemoveDirectoryA(base);
}

static std::string read_all(const char *path) {
    FILE *f = fopen(path, "rb");
    if (!f) return "<missing>";
    std::string s;
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    fclose(f);
    return s;
}

TEST(Files, AppendWhileAReaderHoldsTheFile) {
    MessageBoxRecorder rec;
    const char *path = "append_test.csv";
    DeleteFileA(path);
    EXPECT_EQ(append_to_file(path, "x", kAppendOpenExisting), 0);
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].caption, "追記ファイルのオープン");
    EXPECT_EQ(append_to_file(path, "一行目\r\n", kAppendOpenAlways), 1);
    HANDLE reader = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(append_to_file(path, "二行目\r\n", kAppendOpenAlways), 1);
    CloseHandle(reader);
    EXPECT_EQ(read_all(path), "一行目\r\n二行目\r\n");
    EXPECT_EQ(append_to_file(path, "new", kAppendCreateAlways), 1);
    EXPECT_EQ(read_all(path), "new");
    EXPECT_EQ(rec.boxes().size(), 1u);
    DeleteFileA(path);
}

TEST(Files, ReplaceKeepsTheTargetOnFailure) {
    MessageBoxRecorder rec;
    const char *tmp = "~rep.qst", *target = "rep.qst";
    DeleteFileA(target);
    append_to_file(tmp, "new", kAppendCreateAlways);
    EXPECT_EQ(replace_file(tmp, target), 1);  // no target: only renames
    EXPECT_EQ(read_all(target), "new");
    EXPECT_EQ(file_exists(tmp), 0);
    EXPECT_EQ(file_exists(target), 1);

    // Missing temporary file: the target stays as it was.
    EXPECT_EQ(replace_file(tmp, target), 0);
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].caption, "既存ファイルの置換え（移動）に失敗しました");
    EXPECT_EQ(read_all(target), "new");

    // A read-only target cannot go: reported, temporary file kept.
    append_to_file(tmp, "newer", kAppendCreateAlways);
    SetFileAttributesA(target, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(replace_file(tmp, target), 0);
    ASSERT_EQ(rec.boxes().size(), 2u);
    EXPECT_EQ(rec.boxes()[1].caption, "既存ファイルの削除に失敗しました");
    EXPECT_EQ(read_all(target), "new");
    EXPECT_EQ(file_exists(tmp), 1);
    SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(replace_file(tmp, target), 1);
    EXPECT_EQ(read_all(target), "newer");

    EXPECT_EQ(replace_file("~none.qst", "none.qst"), 0);
    ASSERT_EQ(rec.boxes().size(), 3u);
    EXPECT_EQ(rec.boxes()[2].caption, "ファイルの置換え（移動）に失敗しました");
    DeleteFileA(target);
    EXPECT_EQ(file_exists("no_such_file.qst"), 0);
}

namespace {

// The files that exist for the lookup below: the program's folder is written P\\.
std::vector<std::string> g_present;
std::string g_program;
bool present(const char *path) {
    std::string p = path;
    if (!g_program.empty() && p.compare(0, g_program.size(), g_program) == 0) p = "P\\" + p.substr(g_program.size());
    for (const std::string &q : g_present)
        if (lstrcmpiA(q.c_str(), p.c_str()) == 0) return true;
    return false;
}

}  // namespace

TEST(StoredPaths, LookupBesideTheNamingFileThenCurrentThenProgramFolder) {
    char folder[kPathSize];
    ASSERT_TRUE(module_folder(folder));
    g_program = folder;
    const struct {
        const char *path, *naming, *exists, *expected;  // exists: ';'-separated
    } rows[] = {
        {"img\\a.png", "E:\\fair\\quiz.set", "E:\\fair\\img\\a.png;img\\a.png;P\\img\\a.png", "E:\\fair\\img\\a.png"},
        {"img\\a.png", "E:\\fair\\quiz.set", "img\\a.png;P\\img\\a.png", "img\\a.png"},
        {"img\\a.png", "E:\\fair\\quiz.set", "P\\img\\a.png", "P\\img\\a.png"},
        {"img\\a.png", "E:\\fair\\quiz.set", "", "img\\a.png"},
        {"..\\bgm\\m.mid", "E:\\fair\\sets\\quiz.set", "E:\\fair\\bgm\\m.mid", "E:\\fair\\bgm\\m.mid"},
        {"q.qst", nullptr, "q.qst;P\\q.qst", "q.qst"},
        {"q.qst", "", "P\\q.qst", "P\\q.qst"},
        {"C:\\x\\a.png", "E:\\fair\\quiz.set", "E:\\fair\\C:\\x\\a.png", "C:\\x\\a.png"},
        {"", "E:\\fair\\quiz.set", "", ""},
    };
    for (const auto &r : rows) {
        g_present.clear();
        for (const char *e = r.exists; *e;) {
            const char *end = strchr(e, ';');
            g_present.push_back(std::string(e, end ? static_cast<size_t>(end - e) : strlen(e)));
            e = end ? end + 1 : e + strlen(e);
        }
        char out[kPathSize];
        const char *got = resolve_named_path(r.path, r.naming, out, present);
        std::string shown = got;
        if (shown.compare(0, g_program.size(), g_program) == 0) shown = "P\\" + shown.substr(g_program.size());
        EXPECT_EQ(r.expected, shown) << r.path << " named by " << (r.naming ? r.naming : "(none)") << " with " << r.exists;
    }
    EXPECT_TRUE(path_in_folder("E:\\Fair\\", "e:\\fair\\img\\a.png"));
    EXPECT_FALSE(path_in_folder("E:\\fair\\", "E:\\fairground\\a.png"));
}

TEST(StoredPaths, RelativePathsFallBackToTheProgramFolder) {
    char folder[kPathSize], temp[kPathSize], old_cwd[kPathSize], out[kPathSize];
    ASSERT_TRUE(module_folder(folder));
    GetTempPathA(sizeof temp, temp);
    GetCurrentDirectoryA(sizeof old_cwd, old_cwd);
    std::string name = "zelres" + std::to_string(GetCurrentProcessId()) + ".txt";
    std::string in_program = std::string(folder) + name, in_temp = std::string(temp) + name;
    CloseHandle(CreateFileA(in_program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA(temp));
    EXPECT_EQ(in_program, resolve_stored_path(name.c_str(), out));
    // A file found from the current directory keeps the stored meaning.
    CloseHandle(CreateFileA(in_temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_STREQ(name.c_str(), resolve_stored_path(name.c_str(), out));
    DeleteFileA(in_temp.c_str());
    EXPECT_STREQ("nowhere.bmp", resolve_stored_path("nowhere.bmp", out));
    EXPECT_STREQ("C:\\nowhere.bmp", resolve_stored_path("C:\\nowhere.bmp", out));
    EXPECT_STREQ("", resolve_stored_path("", out));
    SetCurrentDirectoryA(old_cwd);
    DeleteFileA(in_program.c_str());
}

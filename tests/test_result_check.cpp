// The editor's result check and the player's log tally, against small cases worked by hand.
#include <gtest/gtest.h>
#include <algorithm>
#include <math.h>
#include <functional>
#include <random>
#include <set>
#include <string.h>
#include <string>
#include <vector>
#include "answer_prediction.h"
#include "log_tally.h"
#include "question_codec.h"
#include "result_ranges.h"
#include "scratch_folder.h"

namespace {

// A question file as the player holds it: the points of each question's offered answers, the
// banded rows, and the top and bottom rows ("" for none).
struct File {
    QuestionFile f = {};
    std::vector<QuestionRecord> questions;
    std::vector<ResultRecord> results;
    // ranges: per banded row its totals from..to; from > to gives the row none.
    File(const std::vector<std::vector<int>> &points, const std::vector<const char *> &banded, const char *top = "",
         const char *bottom = "", const std::vector<std::pair<int, int>> &ranges = {},
         const std::vector<std::vector<int>> &links = {}, int tie = -1) {
        for (const auto &q : points) {
            QuestionRecord rec = {};
            strcpy(rec.text, "q");
            for (size_t a = 0; a < q.size(); ++a) {
                snprintf(rec.answers[a], sizeof rec.answers[a], "a%d", static_cast<int>(a + 1));
                rec.points[a] = q[a];
            }
            questions.push_back(rec);
            f.highestTotal = saturating_add(f.highestTotal, question_highest_points(&rec));
            f.lowestTotal = saturating_add(f.lowestTotal, question_lowest_points(&rec));
        }
        // links: question, answer, row and points, all from 1; tie 0 or more makes the file typed.
        for (const auto &l : links) add_type_link(&questions[static_cast<size_t>(l[0] - 1)], l[1] - 1, l[2], l[3]);
        f.typeScoring = tie >= 0;
        f.tieQuestion = tie < 0 ? 0 : tie;
        questions.push_back(QuestionRecord());
        for (const char *title : banded) {
            ResultRecord r = {};
            strcpy(r.title, title);
            if (results.size() < ranges.size() && ranges[results.size()].first <= ranges[results.size()].second)
                r.ranged = 1, r.rangeFrom = ranges[results.size()].first, r.rangeTo = ranges[results.size()].second;
            results.push_back(r);
        }
        results.push_back(ResultRecord());
        strcpy(f.topRow.title, top);
        strcpy(f.bottomRow.title, bottom);
        f.questions = questions.data();
        f.results = results.data();
    }
};

// n questions whose five answers all score 0, then last.
std::vector<std::vector<int>> zeros_then(size_t n, const std::vector<int> &last) {
    std::vector<std::vector<int>> points(n, {0, 0, 0, 0, 0});
    points.push_back(last);
    return points;
}

const char kBand[] = "得点の幅で決まる行";
const char kRange[] = "得点の範囲で決まる行";
const char kType[] = "タイプの点数で決まる行";
// Two questions of two answers: 1-1 gives A 2; 1-2 gives A, B and C 1 each; 2-1 A and B 1 each; 2-2 B 2 and C 1.
const std::vector<std::vector<int>> kTypeLinks = {{1, 1, 1, 1}, {1, 2, 2, 1}, {2, 1, 1, 1}, {2, 2, 2, 1}, {2, 2, 3, 1}};

TEST(ResultCheck, RowsTotalsAndExactCountsAsWorkedByHand) {
    const std::string five_to_60 = "867361737988403547205962240695953369140625";
    struct Case {
        const char *name;
        File file;
        const char *combinations;
        std::vector<std::string> rows;  // the CSV rows after the header
        int status = kReportOk;
    } cases[] = {
        // H = 4, L = 0, three rows: width 1; totals 0..4 come 1, 2, 3, 2, 1 times.
        {"plain", File({{0, 1, 2}, {0, 1, 2}}, {"A", "B", "C"}), "9",
         {std::string("1,A,") + kBand + ",2〜4,6,66.67%", std::string("2,B,") + kBand + ",1,2,22.22%",
          std::string("3,C,") + kBand + ",0,1,11.11%"}},
        // H = 2, L = -2, four rows of width 1: -2 and -1 fall to the last row, 2 is band 2.
        {"negative lowest", File({{-2, -1, 2}}, {"R1", "R2", "R3", "R4"}), "3",
         {std::string("1,R1,") + kBand + ",到達できません,0,0.00%", std::string("2,R2,") + kBand + ",2,1,33.33%",
          std::string("3,R3,") + kBand + ",到達できません,0,0.00%", std::string("4,R4,") + kBand + ",-2〜-1,2,66.67%"}},
        // Width (1 - 0) / 3 = 0: below the top row only the fixed text is seen.
        {"width 0", File({{0, 1}}, {"A", "B", "C"}, "T"), "2",
         {"1,T,先頭の行（最高得点時のみ）,1,1,50.00%", std::string("2,A,") + kBand + ",到達できません,0,0.00%",
          std::string("3,B,") + kBand + ",到達できません,0,0.00%", std::string("4,C,") + kBand + ",到達できません,0,0.00%",
          "5,得点が0ポイントしか在り得ない状態です,固定の文,0,1,50.00%"}},
        {"no banded rows", File({{0, 1, 2}}, {}, "T", "U"), "3",
         {"1,T,先頭の行（最高得点時のみ）,2,1,33.33%", "2,U,末尾の行（最低得点時のみ）,0,1,33.33%",
          "3,結果が用意されていません,固定の文,1,1,33.33%"}},
        // A row without title ends the banded rows: it and the rows after it never show.
        {"untitled row", File({{0, 1}}, {"A", "", "C"}), "2",
         {std::string("1,A,") + kBand + ",0〜1,2,100.00%",
          "2,（タイトルなし）,タイトルのない行とその後の行（使われません）,到達できません,0,0.00%",
          "3,C,タイトルのない行とその後の行（使われません）,到達できません,0,0.00%"}},
        // Ranges instead of bands: 3..4, 1..2 and 0 take 3, 5 and 1 of the nine combinations.
        {"ranges", File({{0, 1, 2}, {0, 1, 2}}, {"A", "B", "C"}, "", "", {{3, 4}, {1, 2}, {0, 0}}), "9",
         {std::string("1,A,") + kRange + ",3〜4,3,33.33%", std::string("2,B,") + kRange + ",1〜2,5,55.56%",
          std::string("3,C,") + kRange + ",0,1,11.11%"}},
        // 2 lies in no range and as near to A as to B: the earlier row takes it. A row without a
        // range never shows; the top row keeps the highest total.
        {"uncovered total", File({{0, 1, 2}, {0, 1, 2}}, {"A", "B", "C"}, "T", "", {{3, 9}, {-5, 1}, {1, 0}}), "9",
         {"1,T,先頭の行（最高得点時のみ）,4,1,11.11%", std::string("2,A,") + kRange + ",2〜3,5,55.56%",
          std::string("3,B,") + kRange + ",0〜1,3,33.33%", std::string("4,C,") + kRange + ",到達できません,0,0.00%"}},
        // Types: the two ties go to A, the earlier row; C is never first. The top row is not used.
        {"types, ties by list order", File({{0, 0}, {0, 0}}, {"A", "B", "C"}, "T", "", {}, kTypeLinks, 0), "4",
         {"1,T,先頭の行（最高得点時のみ）,到達できません,0,0.00%", std::string("2,A,") + kType + ",（タイプ式）,3,75.00%",
          std::string("3,B,") + kType + ",（タイプ式）,1,25.00%", std::string("4,C,") + kType + ",到達できません,0,0.00%"}},
        // Tie question 2: of A, B and C tied after 1-2, question 2's answer gave B and C a point, so B.
        {"types, ties by question 2", File({{0, 0}, {0, 0}}, {"A", "B", "C"}, "", "", {}, kTypeLinks, 2), "4",
         {std::string("1,A,") + kType + ",（タイプ式）,2,50.00%", std::string("2,B,") + kType + ",（タイプ式）,2,50.00%",
          std::string("3,C,") + kType + ",到達できません,0,0.00%"}},
        // 5^60 combinations, every one of them at 0 (width 0 as well): counted exactly.
        {"sixty questions", File(std::vector<std::vector<int>>(60, {0, 0, 0, 0, 0}), {"A"}), five_to_60.c_str(),
         {std::string("1,A,") + kBand + ",到達できません,0,0.00%",
          "2,得点が0ポイントしか在り得ない状態です,固定の文,0," + five_to_60 + ",100.00%"}},
        // 5^28221 needs 2,048 words for each of 2^21 totals: more than memory and a second allow,
        // so it is refused before any counting starts.
        {"huge counts over many totals", File(zeros_then(28221, {0, 2097151}), {"A"}), "", {}, kReportTooWide},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.name);
        ResultReport r = make_result_report(&c.file.f, c.file.results.size() - 1);
        ASSERT_EQ(c.status, r.status);
        if (c.status != kReportOk) continue;
        EXPECT_EQ(c.combinations, big_decimal(r.combinations));
        std::string expected = "順番,結果,扱い,得点合計,組み合わせ数,割合\r\n";
        for (const std::string &row : c.rows) expected += row + "\r\n";
        EXPECT_EQ(expected, result_report_csv(r));
        // The chart's predicted shares are the same exact counts over all combinations.
        const ReportDocument d = result_report_document(r, "t");
        ASSERT_EQ(1u, d.sections.size());
        double sum = 0;
        for (size_t i = 0; i < r.rows.size(); ++i) {
            EXPECT_DOUBLE_EQ(big_ratio(r.rows[i].count, r.combinations), d.sections[0].chart.rows[i].predicted);
            sum += d.sections[0].chart.rows[i].predicted;
        }
        EXPECT_NEAR(1.0, sum, 1e-12);
    }
    File stuck({{0, 1}, {}}, {"A"});
    ResultReport r = make_result_report(&stuck.f);
    EXPECT_EQ(kReportStuck, r.status);
    EXPECT_EQ(2u, r.stuck_question);
    File typed({{0, 0}, {0, 0}}, {"A", "B", "C"}, "", "", {}, kTypeLinks, 0);
    r = make_result_report(&typed.f);
    EXPECT_EQ("2", big_decimal(r.ties));
    EXPECT_NE(std::string::npos, result_report_text(r).find("同点で決まった組み合わせ: 2 通り（50.00%）"));
    // The player's pick agrees with the count, combination by combination.
    const int32_t runs[4][2] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}}, wins[4] = {0, 0, 0, 1};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(wins[i], pick_type_result(r.rules, &typed.f, runs[i], 2).row) << i;
    // Against every combination tried one by one with the player's pick, on random small files.
    std::mt19937 random(4);
    for (int round = 0; round < 300; ++round) {
        const int questions = 1 + static_cast<int>(random() % 4), types = 1 + static_cast<int>(random() % 4);
        std::vector<std::vector<int>> points, type_links;
        for (int q = 1; q <= questions; ++q) {
            points.push_back(std::vector<int>(1 + random() % 4, 0));
            for (int a = 1; a <= static_cast<int>(points.back().size()); ++a)
                for (int t = 1; t <= types; ++t)
                    if (random() % 2) type_links.push_back({q, a, t, static_cast<int>(random() % 6) - 2});
        }
        std::vector<const char *> titles(static_cast<size_t>(types), "r");
        File small(points, titles, "", "", {}, type_links, static_cast<int>(random() % (questions + 1)));
        const ResultReport count = make_result_report(&small.f, titles.size());
        ASSERT_EQ(kReportOk, count.status);
        std::vector<uint64_t> rows(static_cast<size_t>(types), 0);
        uint64_t ties = 0;
        std::vector<int32_t> run(static_cast<size_t>(questions), 1);
        for (bool more = true; more;) {
            rows[static_cast<size_t>(pick_type_result(count.rules, &small.f, run.data(), run.size()).row)]++;
            std::vector<int64_t> sum(static_cast<size_t>(types), 0);
            for (int q = 0; q < questions; ++q)
                for (const TypeLink &l : small.questions[static_cast<size_t>(q)].typeLinks[run[static_cast<size_t>(q)] - 1])
                    if (l.row) sum[static_cast<size_t>(l.row - 1)] += l.points;
            ties += std::count(sum.begin(), sum.end(), *std::max_element(sum.begin(), sum.end())) > 1;
            more = false;
            for (size_t q = 0; q < run.size() && !more; ++q)
                if (++run[q] <= static_cast<int32_t>(points[q].size())) more = true;
                else run[q] = 1;
        }
        for (int t = 0; t < types; ++t) EXPECT_EQ(std::to_string(rows[static_cast<size_t>(t)]), big_decimal(count.rows[static_cast<size_t>(t)].count)) << round;
        EXPECT_EQ(std::to_string(ties), big_decimal(count.ties)) << round;
    }
    // Past the limit of distinct point vectors: refused, the limit named.
    std::vector<std::vector<int>> many(16, {0, 0, 0, 0, 0}), links;
    for (int q = 1; q <= 16; ++q)
        for (int a = 1; a <= 5; ++a) links.push_back({q, a, 1 + (q + a) % 8, 1 << a}), links.push_back({q, a, 1 + (q + 3 * a) % 8, -a});
    File wide(many, {"1", "2", "3", "4", "5", "6", "7", "8"}, "", "", {}, links, 0);
    r = make_result_report(&wide.f);
    EXPECT_EQ(kReportTooWide, r.status);
    EXPECT_NE(std::string::npos, result_report_text(r).find("1,000,000 通り"));
}

// Before a save: overlaps and rows without a range refuse it, totals no range holds are named
// with the row they fall to (the top row's own total is no gap).
TEST(ResultCheck, RangeChecksNameTheRowsAndTheTotals) {
    File gap({{0, 1, 2}, {0, 1, 2}}, {"A", "B"}, "T", "", {{3, 3}, {0, 1}});
    RangeCheck c = check_ranges(&gap.f, make_result_report(&gap.f));
    EXPECT_EQ("", c.refused);
    EXPECT_EQ("得点合計 2 はどの範囲にも入りません（最も近い「A」になります）。\r\n", c.uncovered);
    gap.f.topRow.ranged = 1;  // a row made the top row keeps no range in the file
    EXPECT_EQ(0u, check_ranges(&gap.f, make_result_report(&gap.f)).uncovered.find("「T」は最高得点時のみの行なので、得点の範囲は保存されません。\r\n"));
    File bad({{0, 1, 2}}, {"A", "B", "C"}, "", "", {{0, 1}, {1, 2}, {1, 0}});
    c = check_ranges(&bad.f, make_result_report(&bad.f));
    EXPECT_EQ("「A」(0〜1) と「B」(1〜2) の範囲が重なっています。\r\n"
              "「C」に得点の範囲がありません（範囲のない行は表示されません）。\r\n",
              c.refused);
    // Too wide to count: every total from the lowest to the highest is taken as reachable.
    File wide(zeros_then(28221, {0, 2097151}), {"A"}, "", "", {{0, 5}});
    c = check_ranges(&wide.f, make_result_report(&wide.f));
    EXPECT_EQ("得点合計 6〜2097151 はどの範囲にも入りません（最も近い「A」になります）。\r\n", c.uncovered);
    // A type link to a row the list lacks.
    File typed({{0, 0}}, {"A"}, "", "", {}, {{1, 2, 3, 1}}, 0);
    EXPECT_EQ("設問1 の答2 が結果 3 に点を入れていますが、結果の行は 1 行です。\r\n",
              check_ranges(&typed.f, make_result_report(&typed.f)).refused);
}

// 均等に分ける against every contiguous split of small distributions, and one worked by hand.
TEST(ResultCheck, EvenSplitFindsTheSmallestLargestDeviation) {
    // Totals 0..4 come 1, 2, 3, 2, 1 times in 9: three rows get 3 each exactly.
    File even({{0, 1, 2}, {0, 1, 2}}, {"A", "B", "C"});
    SplitPlan p = even_split(make_result_report(&even.f), {});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ((std::vector<std::pair<int64_t, int64_t>>{{3, 4}, {2, 2}, {0, 1}}), p.ranges);
    EXPECT_NEAR(0, p.worst, 1e-12);
    // A rare row aimed at 5 %: four equally likely totals cannot give less than 25 %.
    File rare({{0, 1, 2, 3}}, {"R", "B"});
    p = even_split(make_result_report(&rare.f), {0.05, -1});
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(0.95, p.target[1], 1e-12);
    EXPECT_NEAR(0.20, p.worst, 1e-12);
    EXPECT_NE(std::string::npos, split_plan_text(p, {"R", "B"}).find("目標との差は最大 20.0 ポイント"));
    // The targets as the author types them.
    const struct {
        const char *text;
        std::vector<double> targets;  // empty: refused
    } typed[] = {{"5,,30", {0.05, -1, 0.30}}, {" 2.5 ", {0.025, -1, -1}}, {"", {-1, -1, -1}},
                 {"60,50", {}}, {"1,2,3,4", {}}, {"x", {}}, {"-1", {}}};
    for (const auto &t : typed) {
        std::vector<double> targets;
        std::string error;
        EXPECT_EQ(!t.targets.empty(), parse_target_shares(t.text, 3, &targets, &error)) << t.text;
        if (!t.targets.empty()) EXPECT_EQ(t.targets, targets) << t.text;
        else EXPECT_NE("", error) << t.text;
    }
    File many({{0, 1, 2, 3}}, {"1", "2", "3", "4", "5"});
    EXPECT_FALSE(even_split(make_result_report(&many.f), {}).ok);
    // Nine questions whose answers count in base 5: 5^9 totals, too many to split into two rows.
    std::vector<std::vector<int>> digits;
    for (int q = 0, unit = 1; q < 9; ++q, unit *= 5) digits.push_back({0, unit, 2 * unit, 3 * unit, 4 * unit});
    File wide(digits, {"A", "B"});
    p = even_split(make_result_report(&wide.f), {});
    EXPECT_FALSE(p.ok);
    EXPECT_NE(std::string::npos, p.reason.find("1953125 通り"));

    std::mt19937 random(38);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::vector<int>> points;
        for (int q = 0, n = 1 + static_cast<int>(random() % 3); q < n; ++q) {
            std::vector<int> answers;
            for (int a = 0, k = 1 + static_cast<int>(random() % 4); a < k; ++a) answers.push_back(static_cast<int>(random() % 7) - 2);
            points.push_back(answers);
        }
        const int rows = 1 + static_cast<int>(random() % 4);
        std::vector<const char *> titles(static_cast<size_t>(rows), "r");
        File f(points, titles);
        const ResultReport r = make_result_report(&f.f);
        std::vector<double> targets;
        for (int i = 0; i < rows; ++i) targets.push_back(random() % 3 ? -1.0 : (random() % 50) / 100.0);
        const SplitPlan plan = even_split(r, targets);
        if (r.shares.size() < static_cast<size_t>(rows)) {
            EXPECT_FALSE(plan.ok);
            continue;
        }
        ASSERT_TRUE(plan.ok);
        // Every way of cutting the totals into `rows` non-empty parts, ascending.
        double best = 2;
        const size_t m = r.shares.size();
        std::vector<size_t> cut(static_cast<size_t>(rows) + 1, 0);
        std::function<void(size_t, size_t)> walk = [&](size_t j, size_t start) {
            if (j + 1 == static_cast<size_t>(rows)) {
                cut[j] = start;
                double worst = 0, part;
                for (size_t i = 0; i < static_cast<size_t>(rows); ++i) {
                    part = 0;
                    for (size_t t = cut[i]; t < (i + 1 < static_cast<size_t>(rows) ? cut[i + 1] : m); ++t) part += r.shares[t].second;
                    worst = std::max(worst, fabs(part - plan.target[static_cast<size_t>(rows) - 1 - i]));
                }
                best = std::min(best, worst);
                return;
            }
            cut[j] = start;
            for (size_t next = start + 1; next + (static_cast<size_t>(rows) - j - 1) <= m; ++next) walk(j + 1, next);
        };
        walk(0, 0);
        EXPECT_NEAR(best, plan.worst, 1e-9) << round;
        // The ranges cover every reachable total once, in list order from the highest down.
        EXPECT_EQ(r.max_total, plan.ranges.front().second);
        EXPECT_EQ(r.min_total, plan.ranges.back().first);
        for (size_t i = 0; i + 1 < plan.ranges.size(); ++i) EXPECT_EQ(plan.ranges[i].first, plan.ranges[i + 1].second + 1);
    }
}

// The value of the row labelled label in column col (1 = the first log), or "" when no such row.
std::string cell(const Table &t, const std::string &label, size_t col) {
    for (const auto &row : t)
        if (!row.empty() && row[0] == label) return col < row.size() ? row[col] : "";
    return "";
}

TEST(LogTally, CountsWhatTheLogsSayAndSkipsWhatIsNotTheirs) {
    const char day8[] =
        "問題1, 設問1, 回答2, 得点1\r\n問題1, 設問2, 回答1, 得点2\r\n得点合計, , , ,3\r\n"
        "foreign,line\r\n"
        "問題1, 設問1, 回答1, 得点2\r\n一定時間経過のためスタート画面に戻りました\r\n"
        "得点合計, , , ,5\r\n"                                  // no run before it
        "問題2, 設問1, 回答3, 得点0\r\n得点合計, , , ,0\r\n"
        "問題1, 設問1, 回答9, 得点1\r\n"                         // no such answer
        "問題1, 設問1, 回";                                      // cut short
    const char day9[] = "問題1, 設問1, 回答2, 得点1\r\n問題1, 設問2, 回答2, 得点0\r\n得点合計, , , ,1\r\n";
    LogTally tally;
    tally_log(&tally, log_column_label("C:\\logs\\zelm1208.csv"), day8, strlen(day8));
    // The second day as a spreadsheet saves it again: UTF-8 with a mark.
    wchar_t wide[512];
    int n = MultiByteToWideChar(932, 0, day9, -1, wide, 512);
    char utf8[1024] = "\xEF\xBB\xBF";
    WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8 + 3, sizeof utf8 - 3, nullptr, nullptr);
    ScratchFolder dir;
    bool too_large = true;
    ASSERT_TRUE(tally_log_file(&tally, dir.write("zelm1209.csv", utf8).c_str(), &too_large));
    EXPECT_FALSE(too_large);
    // A file past the limit is refused before anything is read, and counts nowhere.
    std::string big = dir.write("zelm1210.csv", "");
    HANDLE h = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = kTallyMaxBytes + 1;
    SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
    EXPECT_FALSE(tally_log_file(&tally, big.c_str(), &too_large));
    EXPECT_TRUE(too_large);
    // The text view names as counted only what was counted.
    EXPECT_EQ("集計したファイル: zelm1209.csv\r\n読めなかったファイル: zelm1210.csv\r\n",
              tally_files_text({"zelm1209.csv"}, {"zelm1210.csv"}));
    // File 1: H = 4, L = 0, two rows of width 2; file 2 is not loaded.
    File one({{2, 1}, {2, 0}}, {"X", "Y"});
    const QuestionFile *slots[kTallyFiles] = {&one.f, nullptr, nullptr, nullptr, nullptr};
    Table t = tally_table(tally, slots);
    EXPECT_EQ("表.csv", log_column_label("C:\\表示\\表.csv"));  // 0x5C inside a character
    EXPECT_EQ("2025年12月08日", log_column_label("zelm20251208.csv"));
    const std::vector<std::string> header = {"項目", "12月08日", "12月09日", "合計"};
    EXPECT_EQ(header, t[0]);
    const struct {
        const char *label;
        const char *values[3];
    } rows[] = {
        {"読んだ行", {"11", "3", "14"}},
        {"読めずに飛ばした行", {"4", "0", "4"}},
        {"一定時間経過でスタート画面に戻った回数", {"1", "0", "1"}},
        {"問題1 終わった診断", {"1", "1", "2"}},
        {"問題1 設問1 回答1（a1）", {"1", "0", "1"}},
        {"問題1 設問1 回答2（a2）", {"1", "1", "2"}},
        {"問題1 設問2 回答2（a2）", {"0", "1", "1"}},
        {"問題1 得点合計 3", {"1", "0", "1"}},
        {"問題1 結果 X", {"1", "0", "1"}},
        {"問題1 結果 Y", {"0", "1", "1"}},
        {"問題2 終わった診断", {"1", "0", "1"}},
        {"問題2 設問1 回答3", {"1", "0", "1"}},
    };
    for (const auto &row : rows)
        for (size_t c = 0; c < 3; ++c) EXPECT_EQ(row.values[c], cell(t, row.label, c + 1)) << row.label;
    EXPECT_EQ("", cell(t, "問題2 結果 X", 1));  // file 2's rows are unknown without its file
    // For reading: answers as shares of their question's answers, results of the finished diagnoses.
    const Table shared = tally_table(tally, slots, true);
    const char *const answer[] = {"1 (50.0%)", "0 (0.0%)", "1 (33.3%)"}, *const result[] = {"1 (100.0%)", "0 (0.0%)", "1 (50.0%)"};
    for (size_t c = 0; c < 3; ++c) {
        EXPECT_EQ(answer[c], cell(shared, "問題1 設問1 回答1（a1）", c + 1));
        EXPECT_EQ(result[c], cell(shared, "問題1 結果 X", c + 1));
    }
    EXPECT_EQ("項目,12月08日,12月09日,合計\r\n", table_csv(t).substr(0, table_csv(t).find("\r\n") + 2));
}

}  // namespace

namespace {

// The row labelled label in the part whose header row begins with part.
std::vector<std::string> part_row(const Table &t, const std::string &part, const std::string &label) {
    bool in = false;
    for (const auto &row : t) {
        if (row.size() > 1 && row[0] == part) in = true;
        else if (row.size() > 1 && row[0].find("別") != std::string::npos) in = false;
        if (in && !row.empty() && row[0] == label) return row;
    }
    return {};
}

TEST(VisitTally, DaysKiosksAndHoursFromRecordedRowsEachVisitOnce) {
    const std::string header =
        "日付,開始時刻,終了時刻,秒数,キオスク,セットファイル,問題番号,問題タイトル,得点合計,結果,終わり方,離脱した設問";
    const std::string k1 = header + ",設問1 回答,設問1 得点,設問2 回答,設問2 得点\r\n"
        "2026-12-08,10:00:05,10:00:47,42,K1,s.set,1,占い,5,大吉,完了,,1,2,2,3\r\n"
        "2026-12-08,10:05:00,10:06:00,60,K1,s.set,1,占い,1,\"小吉, また\",結果のまま放置,,2,0,1,1\r\n"
        "2026-12-08,11:00:00,11:00:20,20,K1,s.set,1,占い,,,途中で離脱,2,1,2,,\r\n"
        "foreign,row\r\n"
        "2026-12-08,11:30:00,11:30:30,30,K1,s.set,1,占い,5,大吉,終わり?,,1,2,2,3\r\n"
        "2026-12-08,12:00:00,12:0";  // cut short
    // A newer player's header with a column this one does not know.
    const std::string k2 = header + ",天気,設問1 回答,設問1 得点\r\n"
        "2026-12-09,10:00:00,10:01:40,100,K2,s.set,1,占い,5,大吉,完了,,晴れ,1,2\r\n"
        "2026-12-09,10:30:00,10:31:00,60,K2,s.set,1,占い,5,大吉,完了,,晴れ,1,2147483648\r\n";  // no int32
    ScratchFolder dir;
    LogTally tally;
    ASSERT_TRUE(tally_log_file(&tally, dir.write("visits-2026-12-08-K1.csv", k1).c_str()));
    ASSERT_TRUE(tally_log_file(&tally, dir.write("copy.csv", k1).c_str()));  // the same visits again
    ASSERT_TRUE(tally_log_file(&tally, dir.write("visits-2026-12-09-K2.csv", k2).c_str()));
    EXPECT_TRUE(tally.columns.empty());  // nothing went to the answer-log columns
    EXPECT_EQ(tally.visits.rows, 14u);
    EXPECT_EQ(tally.visits.skipped, 7u);
    EXPECT_EQ(tally.visits.duplicates, 3u);
    Table t = tally_table(tally, nullptr);
    const struct {
        const char *part, *label;
        std::vector<std::string> values;
    } rows[] = {
        {"日別", "日別", {"2026-12-08", "2026-12-09", "合計"}},
        {"日別", "来場者", {"3", "1", "4"}},
        {"日別", "完了", {"1", "1", "2"}},
        {"日別", "結果のまま放置", {"1", "0", "1"}},
        {"日別", "途中で離脱", {"1", "0", "1"}},
        {"日別", "結果を見た割合", {"66.7%", "100.0%", "75.0%"}},
        {"日別", "所要時間の中央値（秒、完了のみ）", {"42", "100", "71"}},
        {"日別", "「占い」 結果 大吉", {"1", "1", "2"}},
        {"日別", "「占い」 結果 小吉, また", {"1", "0", "1"}},
        {"日別", "「占い」 設問1 回答1", {"2", "1", "3"}},
        {"日別", "「占い」 設問2 回答1", {"1", "0", "1"}},
        {"キオスク別", "キオスク別", {"K1", "K2", "合計"}},
        {"キオスク別", "来場者", {"3", "1", "4"}},
        {"時間帯別（開始時刻）", "時間帯別（開始時刻）", {"10時台", "11時台", "合計"}},
        {"時間帯別（開始時刻）", "来場者", {"3", "1", "4"}},
        {"時間帯別（開始時刻）", "「占い」 結果 大吉", {"2", "0", "2"}},
    };
    for (const auto &r : rows) {
        std::vector<std::string> expected(1, r.label);
        expected.insert(expected.end(), r.values.begin(), r.values.end());
        EXPECT_EQ(expected, part_row(t, r.part, r.label)) << r.part << " " << r.label;
    }
    // For reading, each count with its share of its whole: visitors, the quiz's finished visits, the
    // answers to its question.
    const Table shared = tally_table(tally, nullptr, true);
    const std::vector<std::vector<std::string>> shares = {
        {"来場者", "3 (75.0%)", "1 (25.0%)", "4 (100.0%)"},
        {"完了", "1 (33.3%)", "1 (100.0%)", "2 (50.0%)"},
        {"「占い」 結果 大吉", "1 (50.0%)", "1 (100.0%)", "2 (66.7%)"},
        {"「占い」 設問1 回答1", "2 (66.7%)", "1 (100.0%)", "3 (75.0%)"},
    };
    for (const auto &r : shares) EXPECT_EQ(r, part_row(shared, "日別", r[0]));
}

// A period of whole hours and a kiosk leave the rest out; the header's answer texts name the answers
// without the quiz file, and a header cut short loses only its last cell.
TEST(VisitTally, PeriodKioskAndTheHeadersAnswerTexts) {
    const std::string header = visit_header(2, {{"占い", {{"はい", "いい, え"}, {"朝", "夜"}}}});
    std::string log = header;
    for (const char *row : {"2026-12-08,09:59:59,K1", "2026-12-08,10:00:00,K1", "2026-12-08,12:59:59,K1",
                            "2026-12-08,13:00:00,K1", "2026-12-08,11:00:00,K2"})
        log += std::string(row, 19) + ",00:00:00,5," + (row + 20) + ",s.set,1,占い,3,大吉,完了,,2,1,1,2\r\n";
    LogTally tally;
    std::string hour = "x";
    EXPECT_TRUE(parse_filter_hour("2026/12/8 10", false, &tally.visits.filter.from));
    EXPECT_TRUE(parse_filter_hour("2026-12-08 12", true, &tally.visits.filter.to));
    EXPECT_TRUE(parse_filter_hour("2026-12-08", true, &hour) && hour == "2026-12-08 23");
    EXPECT_TRUE(parse_filter_hour("", false, &hour) && hour.empty());
    EXPECT_FALSE(parse_filter_hour("12/08", false, &hour));
    EXPECT_FALSE(parse_filter_hour("2026-12-08 24", false, &hour));
    tally.visits.filter.kiosks = {"K1"};
    ASSERT_TRUE(tally_visits(&tally.visits, log.data(), log.size()));
    EXPECT_EQ(2u, tally.visits.all.visitors);
    EXPECT_EQ(3u, tally.visits.left_out);
    EXPECT_EQ((std::set<std::string>{"K1", "K2"}), tally.visits.all_kiosks);
    EXPECT_EQ("いい, え", tally.visits.answer_texts["占い"][std::make_pair(1, 2)]);
    const ReportDocument d = tally_document(tally, nullptr, {"visits.csv"});
    std::string facts;
    for (const std::string &f : d.facts) facts += f + "\n";
    EXPECT_NE(std::string::npos, facts.find("集計した期間: 2026-12-08 10時〜2026-12-08 12時台　集計したキオスク: K1"));
    bool named = false;
    for (const ReportSection &s : d.sections)
        for (const ChartRow &r : s.chart.rows) named = named || r.title == "いい, え";
    EXPECT_TRUE(named);
    EXPECT_EQ(4u, visit_header_answers(header.data(), header.size()).size());
    const std::string cut = header.substr(0, header.size() - 4);  // inside the last text, no line end
    EXPECT_EQ(3u, visit_header_answers(cut.data(), cut.size()).size());
    // Past 31 days the visitors go per week, from Monday.
    std::map<std::string, VisitGroup> days;
    days["2026-12-07"].visitors = 1;
    days["2026-12-13"].visitors = 2;
    days["2027-01-15"].visitors = 4;
    std::vector<ChartRow> weeks;
    EXPECT_EQ("週別の来場者（月曜から）", visitors_by_period(days, &weeks));
    ASSERT_EQ(2u, weeks.size());
    EXPECT_EQ("2026-12-07〜", weeks[0].title);
    EXPECT_EQ(3.0, weeks[0].count);
}

}  // namespace

// The prediction from real answers, worked by hand: question 1 answered 1 three times and 2 once,
// question 2 once each; totals 0, 1 and 2 then weigh 3/8, 4/8 and 1/8, and 1 or 2 give A. The
// answer log of the same visits gives the same; its quiz is the one of the number chosen, and a visit
// or run whose answers the file does not offer at those points is left out and counted. Scored
// by types (kTypeLinks, ties to the earlier row), A takes 3/4·1/2 + 3/4·1/2 + 1/4·1/2 = 7/8.
TEST(ResultCheck, PredictionFromTheAnswersVisitorsGave) {
    const std::string log =
        "日付,開始時刻,終了時刻,秒数,キオスク,セットファイル,問題番号,問題タイトル,得点合計,結果,終わり方,離脱した設問,"
        "設問1 回答,設問1 得点,設問2 回答,設問2 得点\r\n"
        "2026-12-08,10:00:00,10:00:40,40,K1,,1,占い,0,B,完了,,1,0,1,0\r\n"
        "2026-12-08,10:01:00,10:01:40,40,K1,,1,占い,1,A,完了,,1,0,2,1\r\n"
        "2026-12-08,10:02:00,10:02:40,40,K1,,1,占い,,,途中で離脱,2,2,1,,\r\n"
        "2026-12-08,10:03:00,10:03:40,40,K1,,1,占い,,,途中で離脱,2,1,0,,\r\n"
        "2026-12-08,10:04:00,10:04:40,40,K1,,1,別,1,A,完了,,2,1,2,1\r\n"
        "2026-12-08,10:05:00,10:05:40,40,K1,,1,占い,0,B,完了,,1,0,1,0,1,0\r\n"  // three questions: another quiz
        "2026-12-08,10:06:00,10:06:40,40,K1,,1,占い,0,B,完了,,1,0\r\n";          // one question: an older version
    const std::string answer_log =
        "問題1, 設問1, 回答1, 得点0\r\n問題1, 設問2, 回答1, 得点0\r\n得点合計, , , ,0\r\n"
        "問題1, 設問1, 回答1, 得点0\r\n問題1, 設問2, 回答2, 得点1\r\n得点合計, , , ,1\r\n"
        "問題1, 設問1, 回答2, 得点1\r\n一定時間経過のためスタート画面に戻りました\r\n"
        "問題1, 設問1, 回答1, 得点0\r\n"  // left without a line: the next run begins
        "問題1, 設問1, 回答2, 得点5\r\n問題1, 設問2, 回答1, 得点0\r\n得点合計, , , ,5\r\n"  // other points: left out
        "問題1, 設問1, 回答1, 得点0\r\n得点合計, , , ,0\r\n"  // a total after one question: an older version
        "問題2, 設問1, 回答2, 得点1\r\n問題2, 設問2, 回答2, 得点3\r\n得点合計, , , ,4\r\n";
    File file({{0, 1}, {0, 1}}, {"A", "B"});
    const std::map<int, LoggedQuiz> quizzes = answer_log_quizzes(answer_log.data(), answer_log.size(), &file.f);
    ASSERT_EQ(2u, quizzes.size());
    EXPECT_EQ(6u, quizzes.at(1).runs);
    EXPECT_EQ(8u, quizzes.at(1).fitting);
    EXPECT_EQ(4u, quizzes.at(1).fitting_runs);
    EXPECT_EQ(1u, quizzes.at(2).fitting);  // its second answer carries 3 points, not 1
    EXPECT_EQ(0u, quizzes.at(2).fitting_runs);
    for (int kind = 0; kind < 2; ++kind) {
        ObservedAnswers seen;
        ASSERT_TRUE(kind ? observe_answer_log(&seen, answer_log.data(), answer_log.size(), 1, &file.f)
                         : observe_visit_log(&seen, log.data(), log.size(), "占い", &file.f));
        const ResultReport report = make_result_report(&file.f, 2);
        std::string reason;
        const std::vector<double> shares = observed_row_shares(&file.f, report, seen, &reason);
        ASSERT_EQ(2u, shares.size());
        EXPECT_NEAR(0.625, shares[0], 1e-12);
        EXPECT_NEAR(0.375, shares[1], 1e-12);
        const std::string text = observed_prediction_text(report, seen, shares, reason);
        EXPECT_NE(std::string::npos, text.find("  A: 75.0% / 62.5% / 50.0%\r\n")) << kind;
        EXPECT_NE(std::string::npos, text.find("  B: 25.0% / 37.5% / 50.0%\r\n")) << kind;
        EXPECT_NE(std::string::npos, text.find("互いに関係しない"));
        EXPECT_NE(std::string::npos, text.find("ほかの診断の 1 人")) << kind;
        EXPECT_NE(std::string::npos, text.find("合わない 2 人")) << kind;

        File typed({{0, 1}, {0, 1}}, {"A", "B", "C"}, "", "", {}, kTypeLinks, 0);
        ObservedAnswers typed_seen;
        ASSERT_TRUE(kind ? observe_answer_log(&typed_seen, answer_log.data(), answer_log.size(), 1, &typed.f)
                         : observe_visit_log(&typed_seen, log.data(), log.size(), "占い", &typed.f));
        const ResultReport types = make_result_report(&typed.f, 3);
        const std::vector<double> type_shares = observed_row_shares(&typed.f, types, typed_seen, &reason);
        ASSERT_EQ(3u, type_shares.size());
        EXPECT_NEAR(0.875, type_shares[0], 1e-12);
        EXPECT_NEAR(0.125, type_shares[1], 1e-12);
        EXPECT_EQ(0.0, type_shares[2]);
        // The answer log has no titles: its two runs are shown as the file picks them now (A by the tie).
        if (kind) {
            EXPECT_NE(std::string::npos, observed_prediction_text(types, typed_seen, type_shares, reason).find("  A: 75.0% / 87.5% / 100.0%\r\n"));
        }
    }
}

// Tallies of the answer log and of the visit log for the operator's 集計.
#include "log_tally.h"
#include <windows.h>
#include <algorithm>
#include <stdio.h>
#include <string.h>
#include "BrixLib.h"
#include "RowOfFile.h"
#include "imemory.h"
#include "result_choice.h"
#include "result_log.h"
#include "result_report.h"

namespace {

// More questions than any file the editor writes: a number beyond it is not the player's.
const int64_t kMaxQuestion = 1000000;

TallyColumn &column(LogTally *t, const std::string &label) {
    for (TallyColumn &c : t->columns)
        if (c.label == label) return c;
    t->columns.emplace_back();
    t->columns.back().label = label;
    return t->columns.back();
}

std::string text(const char *pattern, long long a = 0, long long b = 0, long long c = 0) {
    char buffer[128];
    snprintf(buffer, sizeof buffer, pattern, a, b, c);
    return buffer;
}

std::string count(uint64_t n) { return text("%llu", static_cast<long long>(n)); }

std::string share_text(uint64_t part, uint64_t whole);

// One row: label, then a value per column and the sum when there are several columns; with a
// whole (not null), each value is followed by its share of the column's whole.
template <typename F> void add_row(Table *table, const LogTally &t, const std::string &label, F value,
                                   uint64_t (*whole)(const TallyColumn &, int, int64_t) = nullptr, int file = 0,
                                   int64_t question = 0) {
    std::vector<std::string> row(1, label);
    uint64_t sum = 0, sum_whole = 0;
    for (const TallyColumn &c : t.columns) {
        uint64_t v = value(c);
        sum += v;
        row.push_back(count(v));
        if (!whole) continue;
        const uint64_t w = whole(c, file, question);
        sum_whole += w;
        row.back() += " (" + share_text(v, w) + ")";
    }
    if (t.columns.size() > 1) row.push_back(count(sum) + (whole ? " (" + share_text(sum, sum_whole) + ")" : ""));
    table->push_back(row);
}

// The wholes of the answer-log shares: a file's finished diagnoses, and the answers to a question.
uint64_t finished_of(const TallyColumn &c, int f, int64_t) { return c.finished[f]; }
uint64_t answers_of(const TallyColumn &c, int f, int64_t q) {
    auto it = c.answers[f].find(q);
    uint64_t n = 0;
    if (it != c.answers[f].end())
        for (uint64_t a : it->second) n += a;
    return n;
}

void add_note(Table *table, const std::string &note) { table->push_back(std::vector<std::string>(1, note)); }

void count_visit(VisitGroup &g, const ReadVisit &v, size_t quiz, int result) {
    ++g.visitors;
    ++g.endings[v.ending];
    if (v.ending == kVisitCompleted) g.seconds.push_back(static_cast<uint32_t>(std::min<int64_t>(v.seconds, UINT32_MAX)));
    if (result >= 0) {
        if (g.results.size() <= static_cast<size_t>(result)) g.results.resize(static_cast<size_t>(result) + 1);
        ++g.results[static_cast<size_t>(result)];
    }
    if (g.answers.size() <= quiz) g.answers.resize(quiz + 1);
    auto &chosen = g.answers[quiz];
    if (chosen.size() < v.answers.size()) chosen.resize(v.answers.size(), std::array<uint64_t, kAnswerCount>{});
    for (size_t q = 0; q < v.answers.size(); ++q)
        if (v.answers[q].answer) ++chosen[q][static_cast<size_t>(v.answers[q].answer - 1)];
}

struct VisitReader {
    VisitTally *tally;
    std::string key;
};

void skip_visit(void *context) {
    VisitTally *t = static_cast<VisitReader *>(context)->tally;
    ++t->rows;
    ++t->skipped;
}

void take_visit(void *context, const ReadVisit &v) {
    VisitReader *r = static_cast<VisitReader *>(context);
    VisitTally *t = r->tally;
    const int hour = (v.start[0] - '0') * 10 + (v.start[1] - '0');
    if (hour > 23) return skip_visit(context);
    ++t->rows;
    t->all_kiosks.insert(v.kiosk);
    if (!t->filter.takes(v.date, v.start, v.kiosk)) {
        ++t->left_out;
        return;
    }
    // A copied file or the same file chosen twice: each visit once.
    r->key.assign(v.kiosk).append(1, '\x1F').append(v.date).append(1, ' ').append(v.start);
    if (!t->seen.insert(r->key).second) {
        ++t->duplicates;
        return;
    }
    auto quiz = t->quiz_numbers.find(v.title);
    if (quiz == t->quiz_numbers.end()) {
        quiz = t->quiz_numbers.emplace(v.title, static_cast<int>(t->quizzes.size())).first;
        t->quizzes.push_back(v.title);
    }
    int result = -1;
    if (v.ending != kVisitAbandoned) {
        auto key = std::make_pair(quiz->second, v.result);
        auto found = t->result_numbers.find(key);
        if (found == t->result_numbers.end()) {
            found = t->result_numbers.emplace(key, static_cast<int>(t->results.size())).first;
            t->results.push_back(key);
        }
        result = found->second;
    }
    const size_t q = static_cast<size_t>(quiz->second);
    count_visit(t->days[v.date], v, q, result);
    count_visit(t->kiosks[v.kiosk], v, q, result);
    count_visit(t->hours[hour], v, q, result);
    count_visit(t->all, v, q, result);
}

std::string median_text(std::vector<uint32_t> seconds) {
    if (seconds.empty()) return "-";
    const size_t half = seconds.size() / 2;
    std::nth_element(seconds.begin(), seconds.begin() + static_cast<ptrdiff_t>(half), seconds.end());
    uint64_t upper = seconds[half];
    if (seconds.size() % 2) return count(upper);
    uint64_t lower = *std::max_element(seconds.begin(), seconds.begin() + static_cast<ptrdiff_t>(half));
    return count((lower + upper) / 2) + ((lower + upper) % 2 ? ".5" : "");
}

std::string share_text(uint64_t part, uint64_t whole) {
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%.1f%%", whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
    return buffer;
}

typedef std::vector<std::pair<std::string, const VisitGroup *>> Groups;

// One part of the visit tally: a column per group and the sum of all. With shares, each count is
// followed by its share of its whole (visitors, finished visits, or the answers to its question).
void visit_part(Table *table, const std::string &heading, const Groups &groups, const VisitTally &t, bool shares) {
    std::vector<std::string> header(1, heading);
    for (const auto &g : groups) header.push_back(g.first);
    header.push_back("合計");
    table->push_back(header);
    auto row = [&](const std::string &label, auto value) {
        std::vector<std::string> r(1, label);
        for (const auto &g : groups) r.push_back(value(*g.second));
        r.push_back(value(t.all));
        table->push_back(r);
    };
    auto counted = [shares](uint64_t n, uint64_t whole) { return shares ? count(n) + " (" + share_text(n, whole) + ")" : count(n); };
    auto finished = [](const VisitGroup &g) { return g.endings[kVisitCompleted] + g.endings[kVisitResultLeft]; };
    row("来場者", [&](const VisitGroup &g) { return counted(g.visitors, t.all.visitors); });
    for (int e = 0; e < kVisitEndings; ++e)
        row(kVisitEndingText[e], [&, e](const VisitGroup &g) { return counted(g.endings[e], g.visitors); });
    row("結果を見た割合", [&](const VisitGroup &g) { return share_text(finished(g), g.visitors); });
    row("所要時間の中央値（秒、完了のみ）", [](const VisitGroup &g) { return median_text(g.seconds); });
    for (size_t quiz = 0; quiz < t.quizzes.size(); ++quiz) {
        const std::string name = "「" + t.quizzes[quiz] + "」";
        for (size_t r = 0; r < t.results.size(); ++r) {
            if (static_cast<size_t>(t.results[r].first) != quiz) continue;
            row(name + " 結果 " + t.results[r].second, [&, r, quiz](const VisitGroup &g) {
                uint64_t whole = 0;  // the finished visits of this quiz
                for (size_t o = 0; o < t.results.size() && o < g.results.size(); ++o)
                    if (static_cast<size_t>(t.results[o].first) == quiz) whole += g.results[o];
                return counted(r < g.results.size() ? g.results[r] : 0, whole);
            });
        }
        const auto &all = t.all.answers[quiz];
        for (size_t q = 0; q < all.size(); ++q)
            for (size_t a = 0; a < static_cast<size_t>(kAnswerCount); ++a) {
                if (!all[q][a]) continue;  // an answer nobody chose
                row(name + text(" 設問%lld 回答%lld", static_cast<long long>(q + 1), static_cast<long long>(a + 1)),
                    [&, quiz, q, a](const VisitGroup &g) {
                        if (quiz >= g.answers.size() || q >= g.answers[quiz].size()) return counted(0, 0);
                        uint64_t whole = 0;
                        for (uint64_t n : g.answers[quiz][q]) whole += n;
                        return counted(g.answers[quiz][q][a], whole);
                    });
            }
    }
}

void visit_table(Table *table, const VisitTally &t, bool shares) {
    add_note(table, "来場者ごとの記録（visits-*.csv）");
    add_note(table, "読んだ行: " + count(t.rows) + "  読めずに飛ばした行: " + count(t.skipped) +
                        "  重複して数えなかった行: " + count(t.duplicates));
    Groups days, kiosks, hours;
    for (const auto &d : t.days) days.emplace_back(d.first, &d.second);
    for (const auto &k : t.kiosks) kiosks.emplace_back(k.first, &k.second);
    for (int h = 0; h < 24; ++h)
        if (t.hours[h].visitors) hours.emplace_back(text("%lld時台", h), &t.hours[h]);
    visit_part(table, "日別", days, t, shares);
    visit_part(table, "キオスク別", kiosks, t, shares);
    visit_part(table, "時間帯別（開始時刻）", hours, t, shares);
}

}  // namespace

bool VisitFilter::takes(const std::string &date, const std::string &start, const std::string &kiosk) const {
    if (!kiosks.empty() && !kiosks.count(kiosk)) return false;
    if (from.empty() && to.empty()) return true;
    const std::string hour = date + " " + start.substr(0, 2);  // sorts as the time does
    return (from.empty() || hour >= from) && (to.empty() || hour <= to);
}

bool parse_filter_hour(const std::string &text, bool period_end, std::string *out) {
    int part[4] = {0, 0, 0, period_end ? 23 : 0};
    int parts = 0;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    while (i < text.size() && parts < 4) {
        size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 4) ++i;
        if (i == start) return false;
        part[parts++] = atoi(text.substr(start, i - start).c_str());
        if (i < text.size() && (text[i] == '-' || text[i] == '/' || text[i] == ' ') && parts < 3) ++i;
        else if (i < text.size() && text[i] == ' ') ++i;
        while (i < text.size() && text[i] == ' ') ++i;
    }
    out->clear();
    if (!parts && i >= text.size()) return true;  // nothing typed: open
    if (i < text.size() || parts < 3 || part[0] < 2000 || part[0] > 9999 || part[1] < 1 || part[1] > 12 || part[2] < 1 ||
        part[2] > 31 || part[3] < 0 || part[3] > 23)
        return false;
    char hour[32];
    snprintf(hour, sizeof hour, "%04d-%02d-%02d %02d", part[0], part[1], part[2], part[3]);
    *out = hour;
    return true;
}

std::string VisitFilter::text() const {
    std::string t;
    if (!from.empty() || !to.empty())
        t = "集計した期間: " + (from.empty() ? std::string("最初") : from + "時") + "〜" + (to.empty() ? std::string("最後") : to + "時台");
    if (!kiosks.empty()) {
        t += std::string(t.empty() ? "" : "　") + "集計したキオスク: ";
        bool first = true;
        for (const std::string &k : kiosks) {
            t += (first ? "" : "、") + k;
            first = false;
        }
    }
    return t;
}

bool tally_visits(VisitTally *tally, const char *bytes, size_t size) {
    for (const HeaderAnswerText &h : visit_header_answers(bytes, size))
        tally->answer_texts[h.title].emplace(std::make_pair(h.question, h.answer), h.text);
    VisitReader reader = {tally, std::string()};
    return read_visit_log(bytes, size, take_visit, skip_visit, &reader);
}

std::string log_column_label(const char *path) {
    char copy[kPathSize] = {0};
    append_prefix(copy, sizeof copy, path, strlen(path));
    const char *name = path_file_name(copy);  // a name's byte 0x5C may be half of "表"
    // "zelmMMDD.csv", or "zelmYYYYMMDD.csv" for a day of an earlier year set aside.
    const size_t length = strlen(name);
    if ((length == 12 || length == 16) && _strnicmp(name, "zelm", 4) == 0 && _stricmp(name + length - 4, ".csv") == 0) {
        bool digits = true;
        for (size_t i = 4; i < length - 4; ++i) digits = digits && name[i] >= '0' && name[i] <= '9';
        const char *day = name + length - 8;
        std::string year = length == 16 ? std::string(name + 4, 4) + "年" : std::string();
        if (digits) return year + std::string(day, 2) + "月" + std::string(day + 2, 2) + "日";
    }
    return name;
}

namespace {
struct LogColumnReader {
    TallyColumn *column;
    int run_file;  // the file of the run whose answers came last
};
void take_log_line(void *context, int kind, const int64_t *v) {
    LogColumnReader *r = static_cast<LogColumnReader *>(context);
    TallyColumn &c = *r->column;
    ++c.lines;
    if (kind == kLogLineAnswer && v[0] >= 1 && v[0] <= kTallyFiles && v[1] >= 1 && v[1] <= kMaxQuestion && v[2] >= 1 &&
        v[2] <= kAnswerCount) {
        ++c.answers[v[0] - 1][v[1]][static_cast<size_t>(v[2] - 1)];
        r->run_file = static_cast<int>(v[0] - 1);
    } else if (kind == kLogLineTotal && r->run_file >= 0) {
        ++c.finished[r->run_file];
        ++c.totals[r->run_file][v[0]];
        r->run_file = -1;
    } else if (kind == kLogLineIdle) {
        ++c.idle;
        r->run_file = -1;
    } else {
        ++c.unreadable;
    }
}
}  // namespace

void tally_log(LogTally *tally, const std::string &label, const char *bytes, size_t size) {
    LogColumnReader reader = {&column(tally, label), -1};
    read_answer_log(bytes, size, take_log_line, &reader);
}

bool tally_log_file(LogTally *tally, const char *path, bool *too_large) {
    std::string bytes;
    if (!read_log_file(path, kTallyMaxBytes, &bytes, too_large)) return false;
    if (!tally_visits(&tally->visits, bytes.data(), bytes.size()))
        tally_log(tally, log_column_label(path), bytes.data(), bytes.size());
    return true;
}

Table tally_table(const LogTally &t, const QuestionFile *const *slots, bool shares) {
    Table table;
    if (t.columns.empty() && t.visits.rows) {
        visit_table(&table, t.visits, shares);
        return table;
    }
    std::vector<std::string> header(1, "項目");
    for (const TallyColumn &c : t.columns) header.push_back(c.label);
    if (t.columns.size() > 1) header.push_back("合計");
    table.push_back(header);
    add_row(&table, t, "読んだ行", [](const TallyColumn &c) { return c.lines; });
    add_row(&table, t, "読めずに飛ばした行", [](const TallyColumn &c) { return c.unreadable; });
    add_row(&table, t, "一定時間経過でスタート画面に戻った回数", [](const TallyColumn &c) { return c.idle; });
    for (int f = 0; f < kTallyFiles; ++f) {
        // Only the questions the logs name: a stray line cannot make a million empty rows.
        std::map<int64_t, bool> questions, totals;
        for (const TallyColumn &c : t.columns) {
            for (const auto &e : c.answers[f]) questions[e.first] = true;
            for (const auto &e : c.totals[f]) totals[e.first] = true;
        }
        if (questions.empty() && totals.empty()) continue;
        const int64_t last = questions.empty() ? 0 : questions.rbegin()->first;
        const QuestionFile *file = slots && slots[f] && question_file_loaded(slots[f]) ? slots[f] : nullptr;
        const std::string name = text("問題%lld", f + 1);
        add_note(&table, file ? name + "（" + file->title + "）" : name + "（読み込まれていません）");
        if (file && static_cast<int64_t>(question_file_count(file)) != last)
            add_note(&table, text("※読み込んでいる問題ファイルの設問は %lld 問、ログの設問は %lld 問目までです",
                                  static_cast<long long>(question_file_count(file)), last));
        add_row(&table, t, name + " 終わった診断", [f](const TallyColumn &c) { return c.finished[f]; });
        for (const auto &question : questions) {
            const int64_t q = question.first;
            for (int a = 0; a < kAnswerCount; ++a) {
                std::string label = name + text(" 設問%lld 回答%lld", q, a + 1);
                auto chosen = [f, q, a](const TallyColumn &c) -> uint64_t {
                    auto it = c.answers[f].find(q);
                    return it == c.answers[f].end() ? 0 : it->second[static_cast<size_t>(a)];
                };
                uint64_t any = 0;
                for (const TallyColumn &c : t.columns) any += chosen(c);
                const bool known = file && q <= static_cast<int64_t>(question_file_count(file));
                const char *answer = known ? file->questions[q - 1].answers[a] : "";
                if (answer[0]) label += std::string("（") + answer + "）";
                else if (!any) continue;  // an answer neither the file nor the logs know
                add_row(&table, t, label, chosen, shares ? answers_of : nullptr, f, q);
            }
        }
        for (const auto &e : totals)
            add_row(&table, t, name + text(" 得点合計 %lld", e.first), [f, &e](const TallyColumn &c) {
                auto it = c.totals[f].find(e.first);
                return it == c.totals[f].end() ? 0 : it->second;
            }, shares ? finished_of : nullptr, f);
        if (!file) {
            add_note(&table, name + " の結果ごとの人数は、その問題ファイルを読み込むと出ます");
            continue;
        }
        // The rows in list order, each with the visitors whose total leads there.
        const ResultRules rules = result_rules(file);
        if (rules.typed) {  // the answer log keeps no visitor's answers together: the visit log has the results
            add_note(&table, name + " はタイプ式のため、結果ごとの人数は訪問ログ（visits-*.csv）の集計に出ます");
            continue;
        }
        std::vector<std::string> rows;
        if (rules.top_row) rows.push_back(std::string(file->topRow.title) + "（先頭の行）");
        for (int32_t b = 0; b < rules.banded; ++b) rows.push_back(file->results[b].title);
        if (rules.bottom_row) rows.push_back(std::string(file->bottomRow.title) + "（末尾の行）");
        const size_t fixed = rows.size();
        rows.push_back(kNoResultsTitle);
        rows.push_back(kZeroWidthTitle);
        auto row_of = [&](int64_t total) { return result_list_row(rules, pick_result(rules, total)); };
        for (size_t r = 0; r < rows.size(); ++r) {
            bool seen = false;
            for (const auto &e : totals) seen = seen || row_of(e.first) == r;
            if (r >= fixed && !seen) continue;  // a fixed text only where the arithmetic gives one
            add_row(&table, t, name + " 結果 " + rows[r], [&, r, f](const TallyColumn &c) {
                uint64_t n = 0;
                for (const auto &e : c.totals[f])
                    if (row_of(e.first) == r) n += e.second;
                return n;
            }, shares ? finished_of : nullptr, f);
        }
    }
    if (t.visits.rows) {
        add_note(&table, "");
        visit_table(&table, t.visits, shares);
    }
    return table;
}

std::string table_text(const Table &table) {
    // In Shift-JIS a character's bytes are its width in a fixed-pitch font: columns line up by bytes.
    std::vector<size_t> width;
    for (const auto &row : table) {
        if (row.size() < 2) continue;  // a note runs across the columns
        if (width.size() < row.size()) width.resize(row.size(), 0);
        for (size_t i = 0; i < row.size(); ++i)
            if (row[i].size() > width[i]) width[i] = row[i].size();
    }
    std::string out;
    for (const auto &row : table) {
        for (size_t i = 0; i < row.size(); ++i) {
            if (row.size() < 2) out += row[i];
            else if (i == 0) out += row[i] + std::string(width[0] - row[i].size(), ' ');
            else out += "  " + std::string(width[i] - row[i].size(), ' ') + row[i];
        }
        out += "\r\n";
    }
    return out;
}

std::string table_csv(const Table &table) {
    std::string out;
    for (const auto &row : table) {
        for (size_t i = 0; i < row.size(); ++i) out += (i ? "," : "") + csv_cell(row[i]);
        out += "\r\n";
    }
    return out;
}

namespace {

// The loaded question file a quiz of the visit log was played from: the same title.
const QuestionFile *file_of_quiz(const QuestionFile *const *slots, const std::string &title) {
    for (int f = 0; slots && f < kTallyFiles; ++f)
        if (slots[f] && question_file_loaded(slots[f]) && title == slots[f]->title) return slots[f];
    return nullptr;
}

// The results of one quiz: the file's rows in list order with their predicted shares, each with the
// visitors whose recorded result has its title; then results the file does not have (no prediction).
ChartGroup result_chart(const VisitTally &t, size_t quiz, const QuestionFile *file) {
    ChartGroup g;
    g.title = "「" + t.quizzes[quiz] + "」の結果";
    std::vector<bool> taken(t.results.size(), false);
    auto visitors = [&](size_t r) { return static_cast<double>(r < t.all.results.size() ? t.all.results[r] : 0); };
    if (file) {
        size_t listed = 0;
        while (file->results[listed].title[0]) ++listed;
        const ResultReport report = make_result_report(file, listed);
        if (report.status == kReportOk)
            for (const ReportRow &row : report.rows) {
                double n = 0;
                for (size_t r = 0; r < t.results.size(); ++r)
                    if (!taken[r] && static_cast<size_t>(t.results[r].first) == quiz && t.results[r].second == row.title) {
                        n = visitors(r);
                        taken[r] = true;  // a title twice in the list: its visitors to the first
                    }
                g.rows.push_back({row.title, n, big_ratio(row.count, report.combinations)});
            }
    }
    for (size_t r = 0; r < t.results.size(); ++r)
        if (!taken[r] && static_cast<size_t>(t.results[r].first) == quiz) g.rows.push_back({t.results[r].second, visitors(r), -1});
    return g;
}

}  // namespace

std::string tally_files_text(const std::vector<std::string> &counted, const std::vector<std::string> &unread) {
    std::string text;
    for (const std::string &path : counted) text += "集計したファイル: " + path + "\r\n";
    for (const std::string &path : unread) text += "読めなかったファイル: " + path + "\r\n";
    return text;
}

namespace {

// Days since 1601-01-01 (a Monday) of "YYYY-MM-DD"; -1 when it is no date.
int64_t day_number(const std::string &date) {
    SYSTEMTIME t = {};
    t.wYear = static_cast<WORD>(atoi(date.c_str()));
    t.wMonth = static_cast<WORD>(atoi(date.c_str() + 5));
    t.wDay = static_cast<WORD>(atoi(date.c_str() + 8));
    FILETIME f;
    if (date.size() != 10 || !SystemTimeToFileTime(&t, &f)) return -1;
    return static_cast<int64_t>(((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 864000000000ULL);
}

std::string date_of_day(int64_t day) {
    const uint64_t ticks = static_cast<uint64_t>(day) * 864000000000ULL;
    FILETIME f = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME t = {};
    FileTimeToSystemTime(&f, &t);
    char text[16];
    snprintf(text, sizeof text, "%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
    return text;
}

}  // namespace

std::string visitors_by_period(const std::map<std::string, VisitGroup> &days, std::vector<ChartRow> *rows) {
    const int64_t first = days.empty() ? -1 : day_number(days.begin()->first);
    const int64_t last = days.empty() ? -1 : day_number(days.rbegin()->first);
    const int64_t span = first < 0 || last < 0 ? 0 : last - first + 1;
    // A bar per day while a month's bars fit; then per week (from Monday), past half a year per month.
    const int by = span <= 31 ? 0 : span <= 183 ? 1 : 2;
    std::map<std::string, uint64_t> grouped;
    for (const auto &e : days) {
        const int64_t n = day_number(e.first);
        std::string key = e.first;
        if (by == 1 && n >= 0) key = date_of_day(n - n % 7) + "〜";
        else if (by == 2) key = e.first.substr(0, 7);
        grouped[key] += e.second.visitors;
    }
    for (const auto &g : grouped) rows->push_back({g.first, static_cast<double>(g.second), -1});
    return by == 0 ? "日別の来場者" : by == 1 ? "週別の来場者（月曜から）" : "月別の来場者";
}

ReportDocument tally_document(const LogTally &t, const QuestionFile *const *slots, const std::vector<std::string> &files) {
    ReportDocument d;
    d.title = "集計";
    const VisitTally &v = t.visits;
    if (!v.days.empty())
        d.facts.push_back("期間: " + v.days.begin()->first +
                          (v.days.size() > 1 ? "〜" + v.days.rbegin()->first : std::string()));
    std::string kiosks;
    for (const auto &k : v.kiosks) kiosks += (kiosks.empty() ? "" : "、") + k.first;
    if (!kiosks.empty()) d.facts.push_back("キオスク: " + kiosks);
    if (v.filter.any()) d.facts.push_back(v.filter.text() + "（外の " + count(v.left_out) + " 件は数えていません）");
    d.facts.push_back("集計したファイル: " + count(files.size()));
    for (const std::string &f : files) d.facts.push_back("　" + f);
    const uint64_t seen = v.all.endings[kVisitCompleted] + v.all.endings[kVisitResultLeft];
    d.facts.push_back("来場者: " + count(v.all.visitors) + " 人　結果を見た割合: " +
                      share_percent(v.all.visitors ? static_cast<double>(seen) / static_cast<double>(v.all.visitors) : 0));
    for (size_t quiz = 0; quiz < v.quizzes.size(); ++quiz) {
        const QuestionFile *file = file_of_quiz(slots, v.quizzes[quiz]);
        ReportSection s;
        s.chart = result_chart(v, quiz, file);
        s.heading = s.chart.title;
        s.table.push_back({"結果", "人数", "割合（終わった来場者）", "予測割合"});
        for (size_t r = 0; r < s.chart.rows.size(); ++r) {
            const ChartRow &row = s.chart.rows[r];
            s.table.push_back({row.title, count(static_cast<uint64_t>(row.count)), share_percent(chart_share(s.chart, r)),
                               row.predicted < 0 ? "-" : share_percent(row.predicted)});
        }
        if (file) s.note = kPredictionNote;
        d.sections.push_back(s);
        const auto &answers = v.all.answers.size() > quiz ? v.all.answers[quiz] : std::vector<std::array<uint64_t, kAnswerCount>>();
        for (size_t q = 0; q < answers.size(); ++q) {
            ReportSection a;
            const bool known = file && q < question_file_count(file);
            a.heading = "「" + v.quizzes[quiz] + "」" + text("設問%lld", static_cast<long long>(q + 1)) +
                        (known ? std::string("：") + file->questions[q].text : std::string());
            a.chart.title = a.heading;
            const auto logged = v.answer_texts.find(v.quizzes[quiz]);
            for (int n = 0; n < kAnswerCount; ++n) {
                const char *answer = known ? file->questions[q].answers[n] : "";
                if (!answer[0] && logged != v.answer_texts.end()) {  // the log's header, without the quiz file
                    const auto text = logged->second.find({static_cast<int>(q + 1), n + 1});
                    if (text != logged->second.end()) answer = text->second.c_str();
                }
                if (!answer[0] && !answers[q][static_cast<size_t>(n)]) continue;  // neither asked nor chosen
                a.chart.rows.push_back({answer[0] ? std::string(answer) : text("回答%lld", n + 1),
                                        static_cast<double>(answers[q][static_cast<size_t>(n)]), -1});
            }
            d.sections.push_back(a);
        }
    }
    if (v.all.visitors) {
        ReportSection h;
        h.heading = h.chart.title = "時間帯別の来場者（開始時刻）";
        int first = 0, last = 23;
        while (!v.hours[first].visitors) ++first;
        while (!v.hours[last].visitors) --last;
        for (int n = first; n <= last; ++n) h.chart.rows.push_back({text("%lld時台", n), static_cast<double>(v.hours[n].visitors), -1});
        d.sections.push_back(h);
        ReportSection day;
        day.heading = day.chart.title = visitors_by_period(v.days, &day.chart.rows);
        d.sections.push_back(day);
    }
    ReportSection all;
    all.heading = "集計表";
    all.table = tally_table(t, slots);
    d.sections.push_back(all);
    return d;
}

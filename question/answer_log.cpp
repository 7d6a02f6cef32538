// The answer log's lines and their reading.
#include "answer_log.h"
#include <string.h>

const char kLogAnswerLine[] = "問題%d, 設問%d, 回答%d, 得点%d\r\n";
const char kLogTotalLine[] = "得点合計, , , ,%d\r\n";
const char kLogIdleLine[] = "一定時間経過のためスタート画面に戻りました\r\n";

namespace {

// A signed decimal of at most ten digits; advances p.
bool number(const char *&p, const char *end, int64_t *out) {
    bool minus = p < end && *p == '-';
    if (minus) ++p;
    int64_t v = 0;
    int digits = 0;
    for (; p < end && *p >= '0' && *p <= '9' && digits < 11; ++p, ++digits) v = v * 10 + (*p - '0');
    if (!digits || digits > 10) return false;
    *out = minus ? -v : v;
    return true;
}

// The line [p, end) read against a format the log is written with: its bytes as they stand, each
// "%d" a number into values, and the line ending where the format's CR LF begins.
bool scan(const char *format, const char *p, const char *end, int64_t *values) {
    for (; *format && *format != '\r'; ++format) {
        if (format[0] == '%' && format[1] == 'd') {
            if (!number(p, end, values++)) return false;
            ++format;
        } else if (p == end || *p++ != *format) {
            return false;
        }
    }
    return p == end;
}

}  // namespace

void read_answer_log(const char *bytes, size_t size, void (*line)(void *, int, const int64_t *), void *context) {
    const char *end_all = bytes + size;
    for (const char *p = bytes; p < end_all;) {
        const char *end = static_cast<const char *>(memchr(p, '\n', static_cast<size_t>(end_all - p)));
        const char *next = end ? end + 1 : end_all;
        if (!end) end = end_all;
        if (end > p && end[-1] == '\r') --end;
        const char *const start = p;
        p = next;
        if (start == end) continue;  // a blank line says nothing
        int64_t v[4] = {0, 0, 0, 0};
        const int kind = scan(kLogAnswerLine, start, end, v)  ? kLogLineAnswer
                         : scan(kLogTotalLine, start, end, v) ? kLogLineTotal
                         : scan(kLogIdleLine, start, end, v)  ? kLogLineIdle
                                                              : kLogLineOther;
        line(context, kind, v);
    }
}

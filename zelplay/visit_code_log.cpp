// The rows of the visit-code file.
#include "visit_code_log.h"
#include "result_report.h"
#include <stdio.h>
#include <string.h>

const char *const kCardPrintText[kCardPrints] = {"", "印刷済み", "印刷できず"};

bool visit_code_log_path(char *out, size_t size, const char *folder, const SYSTEMTIME &day, const char *kiosk) {
    int n = snprintf(out, size, "%scodes-%04u-%02u-%02u-%s.csv", folder, day.wYear, day.wMonth, day.wDay, kiosk);
    return n > 0 && static_cast<size_t>(n) < size && static_cast<size_t>(n) < MAX_PATH;
}

std::string visit_code_header() { return "日付,時刻,キオスク,コード,結果,得点,印刷\r\n"; }

std::string visit_code_row(const SYSTEMTIME &t, const char *kiosk, const char *code, const char *result, int total,
                           int print) {
    char when[32];
    snprintf(when, sizeof when, "%04u-%02u-%02u,%02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
    const char *printed = print >= 0 && print < kCardPrints ? kCardPrintText[print] : "";
    return std::string(when) + "," + csv_cell(kiosk) + "," + code + "," + csv_cell(result) + "," +
           std::to_string(total) + "," + printed + "\r\n";
}

// The visit codes given out, in a file of their own beside the visit log
// ("codes-2026-12-09-KIOSK1.csv", Shift-JIS CSV with a header row): a coupon's code can be checked
// against it later, and whether the visitor's card printed.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <string>

enum CardPrint { kCardNotAsked = 0, kCardPrinted, kCardFailed, kCardPrints };
extern const char *const kCardPrintText[kCardPrints];  // "", "印刷済み", "印刷できず"

// folder (with its backslash) + "codes-YYYY-MM-DD-" + kiosk + ".csv"; false when too long.
bool visit_code_log_path(char *out, size_t size, const char *folder, const SYSTEMTIME &day, const char *kiosk);
std::string visit_code_header();
// 日付,時刻,キオスク,コード,結果,得点,印刷 with CR LF.
std::string visit_code_row(const SYSTEMTIME &shown, const char *kiosk, const char *code, const char *result,
                           int total, int print);

// The on-screen keypad that asks staff for the exit PIN, large enough for fingers, and the
// question every way out of full screen goes through.
#pragma once
#include <windows.h>

// The keypad's keys: digits 0-9 by their value, then these.
enum PinPadKey { kPinKeyBack = 10, kPinKeyOk = 11, kPinKeyCancel = 12, kPinPadKeys = 13 };

struct PinPadLayout {
    RECT panel;    // the keypad's light panel
    RECT message;  // above the panel, across the screen: what to do, a wrong PIN, the pause
    RECT display;  // the typed digits as dots
    RECT key[kPinPadKeys];
};
// The keypad centred in client: keys at least 12 mm at dpi, as large as the screen allows up to 22 mm.
PinPadLayout pin_pad_layout(const RECT &client, int dpi);
// The key under (x, y), or -1.
int pin_pad_hit(const PinPadLayout &layout, int x, int y);

// Without a key or tap for this long the keypad closes as a cancel would.
enum { kPinPadIdleMillis = 30000 };
// For tests; 0 restores kPinPadIdleMillis.
void set_pin_pad_idle_millis(DWORD millis);

// Shows the keypad over owner's monitor until the right PIN, a cancel or kPinPadIdleMillis
// without a key; true for the right PIN.
// Wrong tries and the pause after them are counted across calls.
typedef bool (*PinAskFn)(HWND owner, const char *stored_line);
bool show_pin_pad(HWND owner, const char *stored_line);
// A stand-in for tests; null restores the keypad. The old one is returned.
PinAskFn set_pin_ask_fn(PinAskFn fn);

// Whether the player may leave full screen (or do what would leave it): always outside full
// screen or without a PIN, else after the keypad took the right PIN.
bool exit_allowed(HWND owner, int full_screen, const char *stored_line);

// A window that is not yet shown with the keypad, for screenshots: digits typed so far and
// the message line.
HWND create_pin_pad_for_shot(HWND owner, int typed_digits);

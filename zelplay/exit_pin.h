// The staff PIN that guards every way out of full screen: its stored form, the check, and the
// pause after wrong tries. Pure functions; the keypad that asks for it is in pin_pad.h.
#pragma once
#include <windows.h>
#include <stddef.h>

// The stored form, one line of text under the set key "EXITPIN":
//   s256:<rounds>:<salt, 32 hex digits>:<digest, 64 hex digits>
// digest = SHA-256 applied rounds times: d0 = SHA-256(salt bytes + PIN digits),
// d(n+1) = SHA-256(d(n) + salt bytes + PIN digits). Only the digest is kept, never the PIN.
enum {
    kPinMinDigits = 4,
    kPinMaxDigits = 8,
    kPinSaltBytes = 16,
    kPinRounds = 20000,
    kPinLineSize = 128,     // room for the stored form and its terminator
    kPinWrongBeforePause = 5,
    kPinPauseMillis = 30000,
    kCornerTaps = 5,        // taps in the top-left corner that call the keypad
    kCornerTapMillis = 3000,  // within this time
};

// SHA-256 of data into out (32 bytes).
void sha256(const void *data, size_t size, unsigned char out[32]);

// 4 to 8 digits, nothing else.
bool pin_well_formed(const char *pin);
// The stored form of pin with the given salt into line (kPinLineSize bytes); false when the PIN
// is not well formed.
bool pin_make_line(const char *pin, const unsigned char salt[kPinSaltBytes], char *line, size_t line_size);
// The same with a fresh random salt.
bool pin_make_line_random(const char *pin, char *line, size_t line_size);
// Whether a stored line can be checked against (known scheme, round count, hex lengths).
bool pin_line_readable(const char *line);
// Whether typed is the PIN of a readable stored line.
bool pin_matches(const char *line, const char *typed);

// Wrong tries and the pause they lead to. A right PIN clears it; from the fifth wrong try in a row
// on, each wrong try starts a pause in which nothing is checked.
struct PinGate {
    int wrong;          // wrong tries in a row
    DWORD paused_at;    // tick count of the last wrong try that started a pause
    bool paused;
};
enum PinVerdict { kPinWrong = 0, kPinRight = 1, kPinWait = 2 };
// Milliseconds left of the pause at now; 0 when a try is taken.
DWORD pin_wait_left(const PinGate *gate, DWORD now);
// One try of typed against line at now: right, wrong, or refused unchecked during a pause.
PinVerdict pin_try(PinGate *gate, const char *line, const char *typed, DWORD now);

// Taps in the screen's top-left corner: true on the fifth within kCornerTapMillis, then it
// starts over. A tap outside the corner starts over too.
struct CornerTaps {
    int count;
    DWORD first_at;
};
bool corner_tap(CornerTaps *taps, bool in_corner, DWORD now);

// The staff PIN: SHA-256, the salted and iterated stored form, wrong tries and the pause.
// rand_s: the system's cryptographic generator, declared only on request.
#define _CRT_RAND_S
#include <stdlib.h>
#include "exit_pin.h"
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kScheme[] = "s256";

uint32_t rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

const uint32_t kK[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

void block(uint32_t h[8], const unsigned char *p) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = (uint32_t(p[4 * i]) << 24) | (uint32_t(p[4 * i + 1]) << 16) | (uint32_t(p[4 * i + 2]) << 8) | p[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t t1 = k + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kK[i] + w[i];
        uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        k = g; g = f; f = e; e = d + t1; d = c; c = b; b = a; a = t1 + t2;
    }
    h[0] += a; h[1] += b; h[2] += c; h[3] += d; h[4] += e; h[5] += f; h[6] += g; h[7] += k;
}

void to_hex(const unsigned char *bytes, size_t n, char *out) {
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < n; ++i) {
        out[2 * i] = digits[bytes[i] >> 4];
        out[2 * i + 1] = digits[bytes[i] & 15];
    }
    out[2 * n] = '\0';
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Exactly n bytes of hex digits from text up to end; false on any other length or character.
bool from_hex(const char *text, const char *end, unsigned char *out, size_t n) {
    if (static_cast<size_t>(end - text) != 2 * n) return false;
    for (size_t i = 0; i < n; ++i) {
        int hi = hex_value(text[2 * i]), lo = hex_value(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<unsigned char>(hi * 16 + lo);
    }
    return true;
}

void digest(const char *pin, const unsigned char *salt, long rounds, unsigned char out[32]) {
    unsigned char buffer[32 + kPinSaltBytes + kPinMaxDigits];
    size_t pin_len = strlen(pin);
    memcpy(buffer, salt, kPinSaltBytes);
    memcpy(buffer + kPinSaltBytes, pin, pin_len);
    sha256(buffer, kPinSaltBytes + pin_len, out);
    for (long i = 1; i < rounds; ++i) {
        memcpy(buffer, out, 32);
        memcpy(buffer + 32, salt, kPinSaltBytes);
        memcpy(buffer + 32 + kPinSaltBytes, pin, pin_len);
        sha256(buffer, 32 + kPinSaltBytes + pin_len, out);
    }
    SecureZeroMemory(buffer, sizeof buffer);
}

struct Parsed {
    long rounds;
    unsigned char salt[kPinSaltBytes];
    unsigned char digest[32];
};

// Round counts past this would freeze the keypad; a line asking for them is not one we wrote.
const long kMaxRounds = 1000000;

bool parse(const char *line, Parsed *p) {
    if (!line || strncmp(line, kScheme, 4) != 0 || line[4] != ':') return false;
    const char *s = line + 5;
    char *end = nullptr;
    if (*s < '1' || *s > '9') return false;
    p->rounds = strtol(s, &end, 10);
    if (*end != ':' || p->rounds < 1 || p->rounds > kMaxRounds) return false;
    const char *salt = end + 1;
    const char *colon = strchr(salt, ':');
    if (!colon || !from_hex(salt, colon, p->salt, kPinSaltBytes)) return false;
    return from_hex(colon + 1, colon + 1 + strlen(colon + 1), p->digest, 32);
}

}  // namespace

void sha256(const void *data, size_t size, unsigned char out[32]) {
    uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const unsigned char *p = static_cast<const unsigned char *>(data);
    size_t left = size;
    for (; left >= 64; left -= 64, p += 64) block(h, p);
    unsigned char tail[128] = {0};
    memcpy(tail, p, left);
    tail[left] = 0x80;
    size_t tail_size = left < 56 ? 64 : 128;
    uint64_t bits = static_cast<uint64_t>(size) * 8;
    for (int i = 0; i < 8; ++i) tail[tail_size - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
    block(h, tail);
    if (tail_size == 128) block(h, tail + 64);
    for (int i = 0; i < 8; ++i) {
        out[4 * i] = static_cast<unsigned char>(h[i] >> 24);
        out[4 * i + 1] = static_cast<unsigned char>(h[i] >> 16);
        out[4 * i + 2] = static_cast<unsigned char>(h[i] >> 8);
        out[4 * i + 3] = static_cast<unsigned char>(h[i]);
    }
}

bool pin_well_formed(const char *pin) {
    if (!pin) return false;
    size_t n = strlen(pin);
    if (n < kPinMinDigits || n > kPinMaxDigits) return false;
    for (size_t i = 0; i < n; ++i)
        if (pin[i] < '0' || pin[i] > '9') return false;
    return true;
}

bool pin_make_line(const char *pin, const unsigned char salt[kPinSaltBytes], char *line, size_t line_size) {
    if (!pin_well_formed(pin) || line_size < kPinLineSize) return false;
    unsigned char d[32];
    digest(pin, salt, kPinRounds, d);
    char salt_hex[2 * kPinSaltBytes + 1], digest_hex[65];
    to_hex(salt, kPinSaltBytes, salt_hex);
    to_hex(d, 32, digest_hex);
    snprintf(line, line_size, "%s:%d:%s:%s", kScheme, kPinRounds, salt_hex, digest_hex);
    return true;
}

bool pin_make_line_random(const char *pin, char *line, size_t line_size) {
    unsigned char salt[kPinSaltBytes];
    for (size_t i = 0; i < sizeof salt; i += sizeof(unsigned int)) {
        unsigned int r = 0;
        // rand_s draws from the system's cryptographic generator.
        if (rand_s(&r) != 0) r = GetTickCount() * 2654435761u ^ static_cast<unsigned int>(i);
        memcpy(salt + i, &r, sizeof r);
    }
    return pin_make_line(pin, salt, line, line_size);
}

bool pin_line_readable(const char *line) {
    Parsed p;
    return parse(line, &p);
}

bool pin_matches(const char *line, const char *typed) {
    Parsed p;
    if (!parse(line, &p) || !pin_well_formed(typed)) return false;
    unsigned char d[32];
    digest(typed, p.salt, p.rounds, d);
    // Every byte compared, so the time does not tell how many matched.
    unsigned char diff = 0;
    for (int i = 0; i < 32; ++i) diff |= static_cast<unsigned char>(d[i] ^ p.digest[i]);
    return diff == 0;
}

DWORD pin_wait_left(const PinGate *gate, DWORD now) {
    if (!gate->paused) return 0;
    DWORD passed = now - gate->paused_at;
    return passed >= kPinPauseMillis ? 0 : kPinPauseMillis - passed;
}

PinVerdict pin_try(PinGate *gate, const char *line, const char *typed, DWORD now) {
    if (pin_wait_left(gate, now)) return kPinWait;
    gate->paused = false;
    if (pin_matches(line, typed)) {
        gate->wrong = 0;
        return kPinRight;
    }
    if (gate->wrong < kPinWrongBeforePause) ++gate->wrong;
    if (gate->wrong >= kPinWrongBeforePause) {
        gate->paused = true;
        gate->paused_at = now;
    }
    return kPinWrong;
}

bool corner_tap(CornerTaps *taps, bool in_corner, DWORD now) {
    if (!in_corner) {
        taps->count = 0;
        return false;
    }
    if (taps->count == 0 || now - taps->first_at > kCornerTapMillis) {
        taps->count = 0;
        taps->first_at = now;
    }
    if (++taps->count < kCornerTaps) return false;
    taps->count = 0;
    return true;
}

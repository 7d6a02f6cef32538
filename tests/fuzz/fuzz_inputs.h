// Inputs for the loader fuzz driver: a seeded generator, valid files to start from, and the
// mutations that turn them into the broken files a kiosk meets.
#pragma once
#include <stdint.h>
#include <string>
#include <vector>

// splitmix64: small, fast and the same on every build, so a seed names the same inputs anywhere.
struct Rng {
    uint64_t state;
    explicit Rng(uint64_t seed) : state(seed) {}
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t below(uint32_t n) { return n ? static_cast<uint32_t>(next() % n) : 0; }
    bool chance(int percent) { return below(100) < static_cast<uint32_t>(percent); }
    template <typename T, size_t N> const T &pick(const T (&items)[N]) { return items[below(N)]; }
};

// The generator of input number index of a loader: each input can be made again on its own.
Rng input_rng(uint64_t seed, const char *loader, uint64_t index);

// Valid files.
std::vector<std::string> question_seeds();
std::vector<std::string> set_seeds();
std::vector<std::string> bmp_seeds();
// Also the ones that are valid JPEG in form but beyond this decoder (12-bit, lossless, CMYK).
std::vector<std::string> jpeg_seeds();
std::vector<std::string> png_seeds();

// One to four mutations of a line file: fields, escapes, line ends, lengths, numbers, keys.
std::string mutate_text(Rng &rng, const std::string &base, const std::vector<std::string> &others, bool set_file);
// One to four mutations of a picture: header fields with lying values, markers, cuts, bytes.
std::string mutate_bmp(Rng &rng, const std::string &base);
std::string mutate_jpeg(Rng &rng, const std::string &base);
// PNG: header fields, chunk lengths and cuts; most inputs get their checksums made right again.
std::string mutate_png(Rng &rng, const std::string &base);

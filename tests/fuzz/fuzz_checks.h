// What the fuzz driver's checks share: the list of problems found in one input, and the tests
// that a handed-out text ends within its field and that guard bytes were left alone.
#pragma once
#include <string.h>
#include <string>
#include <vector>

typedef std::vector<std::string> Problems;

// A text field must hold its terminating zero within its size.
inline void check_text(const char *field, size_t size, const char *name, Problems &p) {
    if (!memchr(field, '\0', size)) p.push_back(std::string(name) + ": no terminating zero within " + std::to_string(size));
}

enum { kGuardBytes = 64, kGuardByte = 0xA5 };

// A value with guard bytes on both sides; whatever writes past it shows there.
template <typename T> struct Guarded {
    unsigned char before[kGuardBytes];
    T value;
    unsigned char after[kGuardBytes];
    Guarded() { arm(); }
    void arm() {
        memset(before, kGuardByte, sizeof before);
        memset(after, kGuardByte, sizeof after);
    }
    void check(const char *name, Problems &p) const {
        for (size_t i = 0; i < kGuardBytes; ++i)
            if (before[i] != kGuardByte || after[i] != kGuardByte) {
                p.push_back(std::string(name) + ": guard bytes overwritten");
                return;
            }
    }
};

// The editor's side, kept in its own file because its headers share names with the player's.
bool editor_start();
void editor_open_and_check(const std::string &path, Problems &p);
void editor_stop();

// Per-user settings of the editor under HKCU\Software\Zelmica\zeledit: recent files, the
// window's place, the file a recovery copy belongs to. What is missing or broken reads as nothing.
#include "mainflame.h"
#include "BrixLib.h"
#include "edit_session.h"
#include <stdio.h>

namespace {

const char kKey[] = "Software\\Zelmica\\zeledit";

class Key {
public:
    explicit Key(bool write) {
        LONG r = write ? RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key_, nullptr)
                       : RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key_);
        if (r != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::string read_text(HKEY key, const char *name) {
    char value[kPathSize] = {0};
    DWORD type = 0, size = sizeof value - 1;
    if (!key || RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(value), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return "";
    value[size < sizeof value ? size : sizeof value - 1] = '\0';
    return value;
}

void write_text(HKEY key, const char *name, const char *value) {
    if (!key) return;
    if (value && value[0])
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value), static_cast<DWORD>(strlen(value) + 1));
    else
        RegDeleteValueA(key, name);
}

}  // namespace

std::vector<std::string> load_recent_files() {
    Key key(false);
    std::vector<std::string> files;
    for (int i = kRecentMax; i >= 1; --i) {
        char name[16];
        snprintf(name, sizeof name, "Recent%d", i);
        std::string path = read_text(key.get(), name);
        if (!path.empty()) recent_add(&files, path);
    }
    return files;
}

void store_recent_files(const std::vector<std::string> &files) {
    Key key(true);
    for (int i = 1; i <= kRecentMax; ++i) {
        char name[16];
        snprintf(name, sizeof name, "Recent%d", i);
        write_text(key.get(), name, static_cast<size_t>(i) <= files.size() ? files[i - 1].c_str() : "");
    }
}

std::string load_user_text(const char *name) {
    Key key(false);
    return read_text(key.get(), name);
}

void store_user_text(const char *name, const char *value) {
    Key key(true);
    write_text(key.get(), name, value);
}

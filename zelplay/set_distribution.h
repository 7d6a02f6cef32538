// 配布フォルダー: a set may name a shared folder (its DISTDIR) that holds the set every kiosk should
// run. Each kiosk looks there every 30 s on a thread of its own; a set that changed and has stayed
// the same for two looks in a row is copied with every file it names into
// %LOCALAPPDATA%\Zelmica\dist\<kiosk>\ (through a temporary folder renamed at the end), checked, and put
// into effect on the start screen between two visitors. The kiosk runs the local copy, never the
// share, so a share that goes away leaves it playing what it had.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>

enum { kDistCheckSeconds = 30, kDistQuietMillis = 3000 };

// One file of a distributed set as the share shows it, named relative to the 配布フォルダー.
struct DistFile {
    std::string name;
    uint64_t size = 0, time = 0;  // bytes; last write (FILETIME ticks)
    bool operator==(const DistFile &o) const { return size == o.size && time == o.time && lstrcmpiA(name.c_str(), o.name.c_str()) == 0; }
};
typedef std::vector<DistFile> DistFiles;  // the set first, then what it names, in the order named

// What one look carries to the next.
struct DistMemory {
    DistFiles verified;      // the newest copy checked (also after a restart: from the record)
    std::string hash;        // its content hash, 16 hex digits
    DistFiles settling;      // a change seen at the last look, waiting to be seen again unchanged
    std::string in_effect;   // the hash of the copy the player runs: kept when old copies go
};

enum DistOutcome {
    kDistUnchanged,  // the folder holds the copy verified last
    kDistSettling,   // a change, taken once it is seen again unchanged
    kDistReady,      // a new copy is verified: ready_set names its set
    kDistProblem,    // nothing taken: problem says why (the kiosk plays on)
};
struct DistLook {
    DistOutcome outcome = kDistProblem;
    std::string problem, ready_set;
    std::string version;  // "MM/DD HH:MM #" + the hash's first 8 digits: the newest file's time, the content
};

// The folder under dist\ that holds one kiosk's copies and record: its kiosk name, safe as a
// folder name. Two players on one PC under one Windows user (/kiosk:入口, /kiosk:出口) keep apart.
std::string dist_kiosk_folder(const std::string &kiosk);

// One look at folder (the 配布フォルダー, full path) for the set called set_name (or the only set
// there), copying into local_root (with its backslash) when a change has settled. Blocking file
// work: for the look thread and the tests.
DistLook look_at_distribution(const std::string &folder, const std::string &set_name, const std::string &local_root,
                              DistMemory *memory);

// A name a distributed file gives (value), as the name inside the 配布フォルダー of a file named
// from naming_dir (the naming file's folder there, "" or ending in a backslash); false for a name
// that leaves the folder (a drive, a root, a share, "..", a stream).
bool dist_name_inside(const std::string &value, const std::string &naming_dir, std::string *inside);

// When a ready copy goes into effect. A visitor's run, a result on the screen, a box, dialog or
// keypad, 試す and a start screen touched in the last kDistQuietMillis all keep the set in effect.
struct DistScreen {
    bool start_screen;   // no question file is running
    bool busy;           // a tap being handled, a box, a dialog or the keypad open
    bool asking;         // 「続けますか？」 counts down
    bool test_mode;
    DWORD quiet_millis;  // since the last input or screen change
};
bool dist_applies_now(bool ready, const DistScreen &screen);

// The record of the copy in effect (dist\<kiosk>\current.txt), for the next start.
struct DistRecord {
    std::string folder, set_name, local_set, hash, version;
    DistFiles files;
};
std::string dist_record_text(const DistRecord &r);
bool parse_dist_record(const std::string &bytes, DistRecord *out);

// The set a starting player opens for the file it was given: the copy in effect last, when
// given is that set in its 配布フォルダー, or a set naming the same 配布フォルダー (given_dist:
// given's DISTDIR, "" when none or unreadable); given otherwise. A restart never goes back to
// an older set than the one that was in effect, and plays on when the share is away.
std::string dist_start_file(const std::string &given, const std::string &given_dist, const DistRecord *record);

// ---- the player's side (user-interface thread) ----
// Turns the looks on for a kiosk (not a preview), every seconds (0: kDistCheckSeconds), and
// reads the record of the copy in effect from the kiosk's folder (dist_kiosk_folder of its name).
void distribution_start(int seconds);
// The file a starting player opens (see dist_start_file). Without /kiosk: or the player's setting,
// the given set's KIOSK picks the kiosk's folder.
std::string distribution_start_file(const char *given);
// Opens that file on an unattended start. A set whose share is broken, with no verified copy to
// play instead, opens without the loader's boxes; the status file gives the reason.
void distribution_open_start(HWND window, const char *given);
// セットの編集 while the kiosk plays a distributed copy: the share's set is edited instead, then
// the kiosk goes on with its copy until the saved set comes through the share (another set opened
// in the editor and applied goes into effect as usual). False when the set in effect is no
// distributed copy (the editor runs as usual).
bool distribution_edit_set(HWND window);
// After a set was put into effect: its path and its DISTDIR ("" = none) decide what to look at.
void distribution_follow(const char *set_path, const char *dist_folder);
// From the player's one-second timer: starts a look when due, and puts a ready copy into effect
// (open_start_file) when dist_applies_now says so.
void distribution_tick(HWND window, const DistScreen &screen);
// For the status file: the version in effect ("" when the set is not a distributed one), the last
// problem ("" when none), a verified version waiting for the start screen ("" when none).
std::string distribution_version();
std::string distribution_problem();
std::string distribution_waiting();

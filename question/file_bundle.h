// 「フォルダーにまとめる」: a set or a question file gathered with every file it names into one new
// folder that can be carried to another computer, the copies naming each other by relative paths.
#pragma once
#include <string>
#include <vector>

// Which comma-separated field of a line (0: the key) holds a path, -1 none; *question_file is set
// when that path names a question file, whose own files then come too.
typedef int (*NamedPathFn)(const char *line, bool *question_file);
// question_path_field in that form.
int question_file_paths(const char *line, bool *question_file);

struct BundleOutcome {
    bool done = false;
    std::string folder;                  // the new folder, when done
    std::string failure;                 // why nothing was made, for the operator
    std::vector<std::string> missing;    // files named but not found: path（the file naming it）
    std::vector<std::string> notes;      // names changed, files brought in from outside
    size_t copied = 0;                   // files in the folder, the set and question files included
};

// Copies root (read line by line with root_paths) and what it names into a new folder in
// destination named after root ("name (2)" when taken). Pictures go to img\, sounds to snd\,
// music to bgm\, question files beside root; two different files of one name are kept apart.
// Everything is written to a temporary folder, checked by opening it as the player would and only
// then renamed, so a failure leaves nothing behind. The originals are only read.
BundleOutcome bundle_files(const char *root, NamedPathFn root_paths, const char *destination);
// The outcome in words: the folder, the count, what was missing or changed, or the failure.
std::string bundle_summary(const BundleOutcome &outcome);
// name as a file name Windows accepts: refused characters become '_', a device name (CON, COM1…)
// gets '_' before its extension, trailing dots and spaces go.
std::string safe_file_name(const std::string &name);
// Removes folder with everything below it; false when something stayed.
bool remove_tree(const std::string &folder);

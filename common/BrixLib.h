// Text, path and file operations on zero-terminated Shift-JIS texts.
// Searches never match inside a double-byte character (second bytes such as 0x5C or 'A'..'Z').
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>

enum { kPathSize = 260, kLineSize = 2048 };

// Creation dispositions accepted by append_to_file.
enum AppendDisposition { kAppendCreateAlways = 2, kAppendOpenExisting = 3, kAppendOpenAlways = 4 };

// Relation codes of path_relation.
enum PathRelation {
    kRelSame = 1,
    kRelParent = 2,
    kRelBelow = 3,
    kRelAncestor = 4,
    kRelSameRoot = 5,
    kRelSameFirstFolder = 6,
    kRelOtherRoot = 7,
};

bool is_sjis_lead(unsigned char c);

// Token gets at most token_size - 1 bytes. Returns 1 when a delimiter was found.
int split_at_delimiter(const char *text, const char *delims, char *token, size_t token_size, const char **rest);
const char *find_text_nocase(const char *text, const char *pattern);
char *replace_all_nocase(char *out, size_t out_size, const char *text, const char *pattern, const char *replacement);
int compare_prefix_nocase(const char *a, const char *b, size_t n);
int compare_prefix(const char *a, const char *b, size_t n);
// Appends at most n bytes of source, never past dest_size.
char *append_prefix(char *dest, size_t dest_size, const char *source, size_t n);
// Whole-text comparison without regard to letter case (file keys).
bool equals_nocase(const char *a, const char *b);
// Copies value (null: nothing) into a field of size bytes, cut at a character boundary.
void copy_cut(char *field, size_t size, const char *value);
// Conversions: %s %u %l %d %x %f %b %r; "%Ns" bounds the copied text to N bytes with its terminator
// (without N a text field is bounded by kLineSize).
int scan_fields(const char *text, const char *delims, const char *conversions, ...);

bool is_nt_platform();

char *path_last_part(char *path, bool drop);
char *path_file_name(char *path);
int path_folder_part(const char *path, char *out, bool keep);
char *path_folder(const char *path, char *out);
void path_strip_last(const char *path, char *out);
const char *path_extension(const char *path);
int module_folder(char *out);
// The one lookup of a relative path that a set or question file names, in this order: beside the
// file that names it (naming_file; null or empty: no such step), so a folder moved whole keeps
// working; then from the current directory; then in the program's folder (older installs store
// paths relative to it, and file dialogs move the current directory). exists: the file test
// (null: the file system's). Returns path itself, or out (kPathSize bytes) holding the file found.
typedef bool (*FileProbe)(const char *path);
const char *resolve_named_path(const char *path, const char *naming_file, char *out, FileProbe exists = nullptr);
// resolve_named_path without a naming file.
const char *resolve_stored_path(const char *path, char *out);
// True when file lies in folder (with its trailing backslash) or below it; below then points into
// file just after that folder.
bool path_in_folder(const char *folder, const char *file, const char **below = nullptr);
int path_relation(const char *a, const char *b);
int make_relative_path(const char *base, const char *target, char *out);

int append_to_file(const char *path, const char *text, DWORD disposition);
// As append_to_file without a message: 0 with GetLastError saying why. For a writer that reports
// an outage itself (the result log, in front of visitors).
int append_to_file_quietly(const char *path, const char *text, DWORD disposition);
// The same, with the text chosen once the file is open and its end known (and nobody else can
// write to it): at_end gets the end's offset and returns the text, or null to write nothing.
typedef const char *(*AppendAtEnd)(void *context, uint64_t end);
int append_at_end_quietly(const char *path, DWORD disposition, AppendAtEnd at_end, void *context);
int replace_file(const char *temporary, const char *target);
// "~" + the target's name in its folder (kPathSize bytes), where a save writes before it replaces
// the target; false when that path would not fit.
bool temporary_beside(const char *target, char *out);
// Test hook, off by default (0): the append_call-th append_to_file from now on writes half its
// text and fails as a full disk would; the replace_call-th replace_file fails before acting.
void set_file_fault(int append_call, int replace_call);
// Counts one line append against that hook: true when this one is to fail. For other line writers.
bool append_fault_due();
int file_exists(const char *name);

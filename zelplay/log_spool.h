// The kiosk's own copy of every log line until its log has it: a file on the local disk that a
// crash or a power cut leaves behind, read again at the next start.
//
// Records, one after the other:
//   "L seq offset year header pathlen textlen sum\n" path text "\n"   a line for a log
//   "I seq offset\n"                                                    its write begins at offset
//   "D seq\n"                                                           its log has it
// offset is -1 while no write has begun; sum is FNV-1a over path and text. A record that does not
// read whole (a power cut mid-write) is skipped, and reading goes on at the next line.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <string>
#include <vector>

struct SpoolLine {
    uint64_t seq = 0;
    int64_t offset = -1;  // where its last write began, -1: none began
    unsigned year = 0;    // a daily log's year, 0 for other logs
    size_t header = 0;    // leading bytes of text that go in only when the log is new
    std::string path, text;
};

// The lines of a spool's bytes not yet delivered, in order; skipped counts unreadable records.
std::vector<SpoolLine> spool_parse(const std::string &bytes, size_t *skipped);
std::string spool_line_record(const SpoolLine &line);
std::string spool_intent_record(uint64_t seq, int64_t offset);
std::string spool_done_record(uint64_t seq);

// Whether the log at path holds text starting at offset: a write that began there and whose end
// nobody recorded (the power went) is then known to have landed.
bool spool_line_landed(const char *path, int64_t offset, const std::string &text);

// The spool file itself, held open by this player alone. spool_open reads what an earlier run
// left (pending: lines not delivered, in order), keeps only those, and answers false when the
// file cannot be had (the local disk refuses, or another player holds it).
bool spool_open(const char *file, std::vector<SpoolLine> *pending, size_t *skipped);
bool spool_ready();
const char *spool_file();
// Appends records; with flush they are on the disk before it returns.
bool spool_write(const std::string &records, bool flush);
// Nothing waits: the file starts again empty, at once with now, else once it has grown.
void spool_clear(bool now);
void spool_close();

// Answers a visitor may still take back (「ひとつ前へ」) are not for their log yet: they wait in a
// file beside the spool, in the spool's own records (a line each, a done record for one taken
// back), so a crash before the visit's total keeps them. Only the player holding the spool writes it.
bool spool_held_add(const SpoolLine &line);
bool spool_held_drop(uint64_t seq);
// The lines still held, in order (read at start), and the file's removal once they went on.
std::vector<SpoolLine> spool_held_lines(size_t *skipped);
void spool_held_clear();

// Players on one PC each hold a spool of their own, the first free of a few slots: slot 0 is the
// file itself, slot k has "-(k+1)" before its extension (out holds kPathSize bytes).
enum { kSpoolSlots = 8 };
bool spool_slot_file(const char *file, int slot, char *out);
// A slot no player holds may keep what a player that died left: its lines not delivered and its
// held answers, read while the file is kept from others. spool_drop_orphan lets it go, and with
// remove deletes it and its held file, once the lines are safe elsewhere.
bool spool_take_orphan(const char *file, std::vector<SpoolLine> *pending, std::vector<SpoolLine> *held);
void spool_drop_orphan(bool remove);

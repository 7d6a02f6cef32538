// The set record, set files and the set manager; the set editor dialog.
#pragma once
#include <windows.h>

// value: the address of the caller's pointer, except where noted.
enum SetOp {
    kSetReset = 10,         // value: address of the owner window's handle; defaults
    kSetRelease = 11,       // frees the current set path
    kSetEdit = 20,          // set editor, then the apply question; Yes: value -> confirmed copy, result 1
    kSetLoad = 21,          // load the current set path (asks when empty); value -> current record
    kSetChooseLoad = 22,    // empty the path, then as kSetLoad
    kSetCurrent = 30,       // value -> current record
    kSetTitleFont = 61,     // value: address of a LOGFONT
    kSetQuestionFont = 62,  // value: address of a LOGFONT
    kSetIdleTest = 81,      // 1 when idle minutes are not 0 and the count > 10 x minutes
    kSetActivity = 83,      // idle count = 0
    kSetTick = 84,          // idle count + 1
};

int set_manager(int op, int ignored, void *value);

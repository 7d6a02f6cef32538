// The player's test mode, which the editor's 「試す」 starts: nothing is logged, the window has the
// size the editor asked for, a mark says so, and a menu jumps to any result screen.
#pragma once
#include <windows.h>
#include <stddef.h>

// "/test" (1024 x 768), "/test:WxH" or "/test:full" as the first argument.
struct TestModeOptions {
    int width, height;
    bool full_screen;
};
enum { kTestDefaultWidth = 1024, kTestDefaultHeight = 768 };

// 1 when command_line's first argument is the switch; options then read, and file (file_size
// bytes) the argument after it, or empty.
// The command line past the program's name and the blanks after it.
const char *skip_program_name(const char *line);
int parse_test_switch(const char *command_line, TestModeOptions *options, char *file, size_t file_size);
bool test_mode_on();
// Before the main window exists: no log, recovery or restart from here on.
void begin_test_mode();
// The window as asked, 合計得点表示 on, and the jump menu.
void show_test_window(HWND window, const TestModeOptions &options);

// The outer size of a window whose client area is client, fitted into work (the screen less the
// task bar) keeping its proportions; frame is what the caption, menu and borders add.
SIZE fit_test_window(SIZE client, SIZE frame, SIZE work);

// The jump menu filled afresh from the loaded files (when the menu bar opens).
void fill_jump_menu(HWND window);
// A jump menu command: shows its result screen. false for any other id.
bool jump_command(HWND window, int id);

// The small 「テスト中」 mark in the bottom right corner, outside every text of the screen.
void draw_test_mark(HDC dc, const RECT &client);

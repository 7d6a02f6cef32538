// Entry of zeledit: the main dialog is the whole program; an optional .qst path opens at start.
#include <windows.h>
#include "mainflame.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    return run_editor(instance, command_line);
}

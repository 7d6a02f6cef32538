// The count of running modal loops; one user-interface thread, so a plain counter.
#include "modal_loop.h"

static int g_running = 0;

int modal_loops_running() { return g_running; }
ModalLoop::ModalLoop() { ++g_running; }
ModalLoop::~ModalLoop() { --g_running; }

// Modal loops running now (boxes, the keypad, dialogs): who is typing into one is there, so the
// player's idle return waits while any runs.
#pragma once

int modal_loops_running();

// Counts one modal loop for its lifetime.
class ModalLoop {
public:
    ModalLoop();
    ~ModalLoop();
    ModalLoop(const ModalLoop &) = delete;
    ModalLoop &operator=(const ModalLoop &) = delete;
};

// Link-time stand-ins: image_store and set_manager only record what the engine asks of them.
#include "stub_player_neighbours.h"
#include "SetManager.h"
#include "image_store.h"

std::vector<ImageCall> &image_calls() {
    static std::vector<ImageCall> calls;
    return calls;
}

int &activity_calls() {
    static int n = 0;
    return n;
}

void reset_neighbour_calls() {
    image_calls().clear();
    activity_calls() = 0;
}

int image_store(int op, int number, void *arg) {
    bool load = op == kImgLoadRunPicture || op == kImgLoadRunWall;
    image_calls().push_back({op, number, load && arg ? static_cast<const char *>(arg) : ""});
    return 0;
}

int set_manager(int op, int, void *) {
    if (op == kSetActivity) ++activity_calls();
    return 0;
}

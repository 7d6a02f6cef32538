// Recording stand-ins for the image store and the set manager, for tests of the run engine.
#pragma once
#include <string>
#include <vector>

struct ImageCall {
    int op;
    int number;
    std::string path;  // for the load operations
};

std::vector<ImageCall> &image_calls();
int &activity_calls();  // set_manager activity resets
void reset_neighbour_calls();

// Set editor dialog tests.
#include <gtest/gtest.h>

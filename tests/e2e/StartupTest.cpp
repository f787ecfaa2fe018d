#include <gtest/gtest.h>
TEST(Startup, Placeholder) {}

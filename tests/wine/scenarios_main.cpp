// Runs the scenarios with every line of their output written at once: Wine
// hands the program a file, which the C library would otherwise buffer until
// exit, and a run cut short by its time limit would leave nothing to read.
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

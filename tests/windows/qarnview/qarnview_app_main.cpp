// The container's code runs in a single-threaded apartment, as in qarnview.exe.
#include <gtest/gtest.h>
#include <ole2.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (FAILED(OleInitialize(nullptr))) return 3;
  int status = RUN_ALL_TESTS();
  OleUninitialize();
  return status;
}

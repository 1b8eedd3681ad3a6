// The control is apartment-threaded: every test runs in one single-threaded apartment.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) return 2;
  int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}

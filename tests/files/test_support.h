// Scratch folders and small file helpers shared by the file-layer tests.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace qarn_test {

// A fresh, empty folder for the running test.
inline std::string ScratchFolder() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
#ifdef QARN_TEST_OUTPUT_DIR
  const std::filesystem::path root = QARN_TEST_OUTPUT_DIR;
#else
  // The Windows build of the drawing tests runs where the build folder's path means nothing.
  const std::filesystem::path root = std::filesystem::temp_directory_path();
#endif
  std::filesystem::path dir = root / "files" / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Shows control characters so that "expected X, got Y" messages are readable.
inline std::string Visible(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\0') out += "\\0";
    else if (c < 32 || c >= 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else out += static_cast<char>(c);
  }
  return out;
}

// Runs code in another current folder and comes back.
class InFolder {
 public:
  explicit InFolder(const std::string& dir) : m_saved(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~InFolder() { std::filesystem::current_path(m_saved); }

 private:
  std::filesystem::path m_saved;
};

}  // namespace qarn_test

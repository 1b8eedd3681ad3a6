#include "qarnview/drawing_file.h"

#include <cstdio>
#include <random>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace qarnview {

namespace fs = std::filesystem;

namespace {

std::string Reason(const std::error_code& ec) { return ec.message(); }

// UTF-8 on every system; path::string() can fail on Windows for names outside the code page.
std::string Show(const fs::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

std::FILE* Open(const fs::path& path, bool write) {
#if defined(_WIN32)
  return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
  return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

// Whether the file's bytes have reached the disk (not only the system's cache).
bool SyncToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#if defined(_WIN32)
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

// Replaces `to` by `from` in one step where the system allows it.
bool Replace(const fs::path& from, const fs::path& to, std::string& reason) {
#if defined(_WIN32)
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  reason = std::system_category().message(static_cast<int>(GetLastError()));
  return false;
#else
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return true;
  reason = Reason(ec);
  return false;
#endif
}

// A name beside `path` that no file has yet.
fs::path TemporaryBeside(const fs::path& path) {
  std::random_device seed;
  std::mt19937_64 rng((uint64_t{seed()} << 32) ^ seed());
  for (;;) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(rng()));
    fs::path candidate = path;
    candidate += suffix;
    std::error_code ec;
    // Also when the folder cannot be looked into: creating the file then says why.
    if (!fs::exists(candidate, ec)) return candidate;
  }
}

}  // namespace

std::string ReadDrawingFile(const fs::path& path, std::string& bytes, uintmax_t maxSize) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return "cannot open " + Show(path) + ": no such file";
  if (fs::is_directory(status)) return "cannot open " + Show(path) + ": it is a folder";
  const uintmax_t size = fs::file_size(path, ec);
  if (ec) return "cannot open " + Show(path) + ": " + Reason(ec);
  if (size > maxSize)
    return Show(path) + " is " + std::to_string(size) + " bytes; drawings over " + std::to_string(maxSize) +
           " bytes are not opened";
  std::FILE* file = Open(path, false);
  if (!file) return "cannot open " + Show(path);
  std::string text(static_cast<size_t>(size), '\0');
  const size_t got = text.empty() ? 0 : std::fread(text.data(), 1, text.size(), file);
  // The file may have changed since its size was taken: read no more than the limit.
  const bool longer = std::fgetc(file) != EOF;
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return "cannot read " + Show(path);
  if (longer) return Show(path) + " grew while it was read";
  text.resize(got);
  bytes = std::move(text);
  return "";
}

std::string WriteDrawingFileAtomically(const fs::path& path, const std::string& bytes) {
  const fs::path temporary = TemporaryBeside(path);
  std::FILE* file = Open(temporary, true);
  if (!file) return "cannot create a file beside " + Show(path);
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool synced = written && SyncToDisk(file);
  const bool closed = std::fclose(file) == 0;
  std::string reason;
  if (!written || !synced || !closed) {
    reason = "cannot write " + Show(temporary);
  } else if (Replace(temporary, path, reason)) {
    return "";
  } else {
    reason = "cannot replace " + Show(path) + ": " + reason;
  }
  std::error_code ec;
  fs::remove(temporary, ec);
  return reason;
}

}  // namespace qarnview

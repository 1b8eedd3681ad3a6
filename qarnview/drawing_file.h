// Reading and writing whole drawing files safely: a size limit checked before anything
// is read, and saves that never leave a damaged file behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qarnview {

// Files larger than this are refused before they are read.
constexpr uintmax_t kMaxDrawingFileSize = uintmax_t{1} << 30;

// Reads the whole file into `bytes`. "" on success; otherwise the reason, and `bytes`
// is unchanged.
std::string ReadDrawingFile(const std::filesystem::path& path, std::string& bytes,
                            uintmax_t maxSize = kMaxDrawingFileSize);

// Writes `bytes` to a new file beside `path`, flushes it to the disk, and only then
// renames it over `path`. If anything fails the temporary file is removed and whatever
// was at `path` stays as it was. "" on success; otherwise the reason.
std::string WriteDrawingFileAtomically(const std::filesystem::path& path, const std::string& bytes);

}  // namespace qarnview

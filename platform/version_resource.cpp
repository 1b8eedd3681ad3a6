#include "platform/version_resource.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kAreaMarker = 0x38415651;  // "QVA8" little-endian
constexpr size_t kAreaHeader = 8;

// Bounds-checked little-endian reads; every offset comes from the file, so nothing is trusted.
bool Rd16(const uint8_t* p, size_t size, uint64_t off, uint16_t* v) {
  if (off > size || size - off < 2) return false;
  *v = static_cast<uint16_t>(p[off] | (p[off + 1] << 8));
  return true;
}

bool Rd32(const uint8_t* p, size_t size, uint64_t off, uint32_t* v) {
  if (off > size || size - off < 4) return false;
  *v = static_cast<uint32_t>(p[off]) | (static_cast<uint32_t>(p[off + 1]) << 8) |
       (static_cast<uint32_t>(p[off + 2]) << 16) | (static_cast<uint32_t>(p[off + 3]) << 24);
  return true;
}

void Wr16(uint8_t* p, size_t off, uint16_t v) {
  p[off] = static_cast<uint8_t>(v);
  p[off + 1] = static_cast<uint8_t>(v >> 8);
}

void Wr32(uint8_t* p, size_t off, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[off + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t Align4(uint64_t v) { return (v + 3) & ~uint64_t{3}; }

struct Section {
  uint32_t va, vsize, rawSize, rawPtr;
};

// File offset of an RVA and the bytes of that section's file data from there on.
bool MapRva(const std::vector<Section>& sections, size_t fileSize, uint32_t rva, uint64_t* offset,
            uint64_t* avail) {
  for (const Section& s : sections) {
    uint64_t extent = s.vsize > s.rawSize ? s.vsize : s.rawSize;
    if (rva < s.va || uint64_t{rva} >= uint64_t{s.va} + extent) continue;
    uint64_t within = uint64_t{rva} - s.va;
    if (within >= s.rawSize) return false;  // uninitialized part: nothing in the file
    uint64_t at = uint64_t{s.rawPtr} + within;
    if (at >= fileSize) return false;
    uint64_t inSection = s.rawSize - within;
    uint64_t inFile = fileSize - at;
    *offset = at;
    *avail = inSection < inFile ? inSection : inFile;
    return true;
  }
  return false;
}

struct DirEntry {
  uint32_t name, target;
};

// Entries of the resource directory at `dir` (relative to the resource base).
bool ReadDirectory(const uint8_t* p, uint64_t base, uint64_t limit, uint64_t dir, std::vector<DirEntry>* out) {
  out->clear();
  uint16_t named = 0, ids = 0;
  if (dir > limit || limit - dir < 16) return false;
  if (!Rd16(p, base + limit, base + dir + 12, &named) || !Rd16(p, base + limit, base + dir + 14, &ids)) return false;
  uint64_t count = uint64_t{named} + ids;
  if (count == 0 || (limit - dir - 16) / 8 < count) return false;
  for (uint64_t i = 0; i < count; ++i) {
    DirEntry e;
    Rd32(p, base + limit, base + dir + 16 + 8 * i, &e.name);
    Rd32(p, base + limit, base + dir + 20 + 8 * i, &e.target);
    out->push_back(e);
  }
  return true;
}

constexpr uint32_t kSubdirectory = 0x80000000u;

// ---- the VS_VERSIONINFO tree ----

struct Node {
  uint64_t start = 0, end = 0;
  uint64_t keyStart = 0, keyUnits = 0;  // key without its NUL
  uint64_t valueStart = 0, valueBytes = 0;
  uint64_t childrenStart = 0;
  uint16_t valueLength = 0, type = 0;
};

bool ParseNode(const uint8_t* p, uint64_t off, uint64_t limit, Node* n) {
  uint16_t length = 0;
  if (off > limit || limit - off < 6 || !Rd16(p, limit, off, &length)) return false;
  if (length < 6 || length > limit - off) return false;
  n->start = off;
  n->end = off + length;
  Rd16(p, limit, off + 2, &n->valueLength);
  Rd16(p, limit, off + 4, &n->type);
  n->keyStart = off + 6;
  uint64_t at = n->keyStart;
  for (;;) {
    uint16_t unit = 0;
    if (!Rd16(p, n->end, at, &unit)) return false;  // key must end inside the node
    at += 2;
    if (unit == 0) break;
  }
  n->keyUnits = (at - 2 - n->keyStart) / 2;
  n->valueStart = Align4(at);
  if (n->valueStart > n->end) n->valueStart = n->end;
  // Text values count UTF-16 units; binary ones count bytes.
  uint64_t want = n->type == 1 ? uint64_t{n->valueLength} * 2 : n->valueLength;
  n->valueBytes = want < n->end - n->valueStart ? want : n->end - n->valueStart;
  n->childrenStart = Align4(n->valueStart + n->valueBytes);
  return true;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// UTF-8 of UTF-16 units; an unpaired surrogate becomes U+FFFD (3 bytes, like any BMP char).
std::string Utf16ToUtf8(const uint8_t* p, uint64_t start, uint64_t units) {
  std::string out;
  for (uint64_t i = 0; i < units; ++i) {
    uint32_t c = p[start + 2 * i] | (p[start + 2 * i + 1] << 8);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
      uint32_t d = p[start + 2 * i + 2] | (p[start + 2 * i + 3] << 8);
      if (d >= 0xDC00 && d <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
        ++i;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool KeyIs(const uint8_t* p, const Node& n, const std::string& name) {
  std::string key = Utf16ToUtf8(p, n.keyStart, n.keyUnits);
  if (key.size() != name.size()) return false;
  for (size_t i = 0; i < key.size(); ++i)
    if (LowerAscii(key[i]) != LowerAscii(name[i])) return false;
  return true;
}

bool FindChild(const uint8_t* p, const Node& parent, const std::string& name, Node* out) {
  uint64_t at = parent.childrenStart;
  // Each child is at least 6 bytes long, so the walk always moves forward and ends.
  while (at < parent.end && parent.end - at >= 6) {
    Node child;
    if (!ParseNode(p, at, parent.end, &child)) return false;
    if (KeyIs(p, child, name)) {
      *out = child;
      return true;
    }
    at = Align4(child.end);
  }
  return false;
}

// The root of a version resource, checked for the key every VS_VERSIONINFO carries.
bool ParseRoot(const uint8_t* p, uint64_t limit, Node* root) {
  return ParseNode(p, 0, limit, root) && KeyIs(p, *root, "VS_VERSION_INFO");
}

uint64_t RootLength(const uint8_t* resource, size_t length) {
  uint16_t w = 0;
  if (!Rd16(resource, length, 0, &w)) return 0;
  uint64_t len = w < length ? w : length;
  return len & ~uint64_t{1};
}

uint64_t AreaBytes(uint64_t rootLength) { return 3 * (rootLength / 2) + 4; }

// ---- finding files ----

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A folder's file names, as last read, with what its status said then. Every edit asks
// for the host control's version, and a case-blind search reads whole folders (the PATH
// ones hold thousands of names); a folder whose change time and identity still match has
// the same names, so they are read again only when it has changed.
struct FolderNames {
  dev_t device = 0;
  ino_t inode = 0;
  timespec changed{0, 0};
  timespec modified{0, 0};
  std::vector<std::string> names;
};

bool SameStatus(const FolderNames& f, const struct stat& st) {
  return f.device == st.st_dev && f.inode == st.st_ino && f.changed.tv_sec == st.st_ctim.tv_sec &&
         f.changed.tv_nsec == st.st_ctim.tv_nsec && f.modified.tv_sec == st.st_mtim.tv_sec &&
         f.modified.tv_nsec == st.st_mtim.tv_nsec;
}

// The names in dir that match name without regard to case; false when it cannot be read.
bool MatchingNames(const std::string& dir, const char* name, std::vector<std::string>& out) {
  static std::mutex lock;
  static std::map<std::string, FolderNames> folders;
  struct stat st;
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  std::lock_guard<std::mutex> hold(lock);
  FolderNames& f = folders[dir];
  // A folder changed within the clock's last tick could change again unseen: read it
  // afresh until its change time is in the past.
  timespec now{0, 0};
  clock_gettime(CLOCK_REALTIME, &now);
  const bool settled = st.st_ctim.tv_sec < now.tv_sec - 1;
  if (!settled || !SameStatus(f, st) || f.names.empty()) {
    DIR* d = opendir(dir.c_str());
    if (!d) {
      folders.erase(dir);
      return false;
    }
    f = FolderNames{st.st_dev, st.st_ino, st.st_ctim, st.st_mtim, {}};
    while (dirent* e = readdir(d)) f.names.emplace_back(e->d_name);
    closedir(d);
  }
  for (const std::string& n : f.names)
    if (strcasecmp(n.c_str(), name) == 0) out.push_back(n);
  return true;
}

std::string FindInFolder(const std::string& folder, const char* name) {
  std::string dir = folder.empty() ? "." : folder;
  std::string exact = dir + "/" + name;
  if (IsRegularFile(exact)) return exact;
  std::vector<std::string> matches;
  if (!MatchingNames(dir, name, matches)) return "";
  // Several spellings may match; the smallest keeps the choice independent of readdir order.
  std::string best;
  for (const std::string& n : matches) {
    std::string candidate = dir + "/" + n;
    if (!IsRegularFile(candidate)) continue;
    if (best.empty() || candidate < best) best = candidate;
  }
  return best;
}

std::string ProgramFolder() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  path[n] = '\0';
  char* slash = std::strrchr(path, '/');
  if (!slash) return "";
  return std::string(path, static_cast<size_t>(slash - path));
}

struct MappedFile {
  const uint8_t* data = nullptr;
  size_t size = 0;
  explicit MappedFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      void* m = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
      if (m != MAP_FAILED) {
        data = static_cast<const uint8_t*>(m);
        size = static_cast<size_t>(st.st_size);
      }
    }
    close(fd);
  }
  ~MappedFile() {
    if (data) munmap(const_cast<uint8_t*>(data), size);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
};

}  // namespace

bool QarnFindVersionResource(const uint8_t* p, size_t size, size_t* offset, size_t* length) {
  if (!p || size < 64 || p[0] != 'M' || p[1] != 'Z') return false;
  uint32_t lfanew = 0;
  Rd32(p, size, 0x3C, &lfanew);
  uint32_t sig = 0;
  if (!Rd32(p, size, lfanew, &sig) || sig != 0x00004550) return false;
  uint64_t fileHeader = uint64_t{lfanew} + 4;
  uint16_t sectionCount = 0, optSize = 0, magic = 0;
  if (!Rd16(p, size, fileHeader + 2, &sectionCount) || !Rd16(p, size, fileHeader + 16, &optSize)) return false;
  uint64_t opt = fileHeader + 20;
  if (opt + optSize > size || !Rd16(p, size, opt, &magic)) return false;
  uint64_t countAt, dirsAt;
  if (magic == 0x10B) {
    countAt = 92;
    dirsAt = 96;
  } else if (magic == 0x20B) {
    countAt = 108;
    dirsAt = 112;
  } else {
    return false;
  }
  uint32_t dirCount = 0, resRva = 0, resSize = 0;
  if (optSize < dirsAt + 3 * 8 || !Rd32(p, size, opt + countAt, &dirCount) || dirCount < 3) return false;
  Rd32(p, size, opt + dirsAt + 16, &resRva);
  Rd32(p, size, opt + dirsAt + 20, &resSize);
  if (resRva == 0 || resSize == 0) return false;

  std::vector<Section> sections;
  uint64_t table = opt + optSize;
  if (table > size || (size - table) / 40 < sectionCount) return false;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    Section s;
    uint64_t at = table + 40 * uint64_t{i};
    Rd32(p, size, at + 8, &s.vsize);
    Rd32(p, size, at + 12, &s.va);
    Rd32(p, size, at + 16, &s.rawSize);
    Rd32(p, size, at + 20, &s.rawPtr);
    sections.push_back(s);
  }

  uint64_t base = 0, limit = 0;
  if (!MapRva(sections, size, resRva, &base, &limit)) return false;

  // Three fixed levels (type, name, language), so a directory pointing back at itself
  // cannot make the walk loop.
  std::vector<DirEntry> entries;
  if (!ReadDirectory(p, base, limit, 0, &entries)) return false;
  uint32_t next = 0;
  bool found = false;
  for (const DirEntry& e : entries) {
    if (!(e.name & kSubdirectory) && e.name == RT_VERSION_ID && (e.target & kSubdirectory)) {
      next = e.target & ~kSubdirectory;
      found = true;
      break;
    }
  }
  if (!found) return false;
  if (!ReadDirectory(p, base, limit, next, &entries) || !(entries[0].target & kSubdirectory)) return false;
  next = entries[0].target & ~kSubdirectory;
  if (!ReadDirectory(p, base, limit, next, &entries) || (entries[0].target & kSubdirectory)) return false;
  uint64_t dataEntry = entries[0].target;
  if (dataEntry > limit || limit - dataEntry < 16) return false;
  uint32_t dataRva = 0, dataSize = 0;
  Rd32(p, size, base + dataEntry, &dataRva);
  Rd32(p, size, base + dataEntry + 4, &dataSize);
  uint64_t dataOffset = 0, dataAvail = 0;
  if (dataSize == 0 || !MapRva(sections, size, dataRva, &dataOffset, &dataAvail) || dataSize > dataAvail) return false;
  *offset = static_cast<size_t>(dataOffset);
  *length = dataSize;
  return true;
}

DWORD QarnVersionInfoBufferSize(const uint8_t* resource, size_t length) {
  if (!resource) return 0;
  uint64_t w = RootLength(resource, length);
  if (w < 6) return 0;
  // Checked as the copy will hold it: a root claiming more than the data is cut to the data.
  std::vector<uint8_t> copy(resource, resource + w);
  Wr16(copy.data(), 0, static_cast<uint16_t>(w));
  Node root;
  if (!ParseRoot(copy.data(), w, &root)) return 0;
  return static_cast<DWORD>(Align4(w) + kAreaHeader + AreaBytes(w));
}

bool QarnFillVersionInfoBuffer(const uint8_t* resource, size_t length, DWORD len, void* data) {
  DWORD full = QarnVersionInfoBufferSize(resource, length);
  if (!full || !data || len == 0) return false;
  uint8_t* out = static_cast<uint8_t*>(data);
  uint64_t w = RootLength(resource, length);
  // A cut copy keeps only as much of the tree as leaves room for the area header after
  // it, and says so in wLength, so that no query reads past the caller's buffer.
  uint64_t kept = w;
  if (Align4(w) + kAreaHeader > len) {
    uint64_t fit = len >= kAreaHeader ? (len - kAreaHeader) & ~uint64_t{3} : (len & ~uint64_t{1});
    if (fit < kept) kept = fit;
  }
  std::memcpy(out, resource, static_cast<size_t>(kept < len ? kept : len));
  if (kept < 2) return true;
  Wr16(out, 0, static_cast<uint16_t>(kept));
  uint64_t area = Align4(kept);
  if (area + kAreaHeader > len) return true;
  std::memset(out + kept, 0, static_cast<size_t>(area - kept));
  uint64_t room = len - area - kAreaHeader;
  uint64_t areaBytes = AreaBytes(kept);
  if (room > areaBytes) room = areaBytes;
  Wr32(out, static_cast<size_t>(area), kAreaMarker);
  Wr32(out, static_cast<size_t>(area + 4), static_cast<uint32_t>(room));
  std::memset(out + area + kAreaHeader, 0, static_cast<size_t>(room));
  return true;
}

std::string QarnResolveVersionFile(const char* name) {
  if (!name || !*name) return "";
  if (std::strchr(name, '/') || std::strchr(name, '\\')) return IsRegularFile(name) ? std::string(name) : "";
  std::string found = FindInFolder(ProgramFolder(), name);
  if (!found.empty()) return found;
  found = FindInFolder(".", name);
  if (!found.empty()) return found;
  const char* path = std::getenv("PATH");
  if (!path) return "";
  std::string all(path);
  size_t pos = 0;
  while (pos <= all.size()) {
    size_t colon = all.find(':', pos);
    if (colon == std::string::npos) colon = all.size();
    std::string folder = all.substr(pos, colon - pos);
    if (!folder.empty()) {
      found = FindInFolder(folder, name);
      if (!found.empty()) return found;
    }
    pos = colon + 1;
  }
  return "";
}

DWORD GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle) {
  if (handle) *handle = 0;
  std::string path = QarnResolveVersionFile(file);
  if (path.empty()) return 0;
  MappedFile image(path);
  size_t offset = 0, length = 0;
  if (!QarnFindVersionResource(image.data, image.size, &offset, &length)) return 0;
  return QarnVersionInfoBufferSize(image.data + offset, length);
}

BOOL GetFileVersionInfoA(LPCSTR file, DWORD, DWORD len, LPVOID data) {
  if (!data || len == 0) return FALSE;
  std::string path = QarnResolveVersionFile(file);
  if (path.empty()) return FALSE;
  MappedFile image(path);
  size_t offset = 0, length = 0;
  if (!QarnFindVersionResource(image.data, image.size, &offset, &length)) return FALSE;
  return QarnFillVersionInfoBuffer(image.data + offset, length, len, data) ? TRUE : FALSE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT len) {
  if (!block || !subBlock || !buffer) return FALSE;
  uint8_t* p = static_cast<uint8_t*>(const_cast<void*>(block));
  uint16_t w16 = 0;
  Rd16(p, 2, 0, &w16);
  uint64_t w = w16 & ~1u;
  Node node;
  if (!ParseRoot(p, w, &node)) return FALSE;

  bool atRoot = true;
  std::string path(subBlock);
  size_t pos = 0;
  while (pos < path.size()) {
    size_t slash = path.find('\\', pos);
    if (slash == std::string::npos) slash = path.size();
    if (slash > pos) {
      Node child;
      if (!FindChild(p, node, path.substr(pos, slash - pos), &child)) return FALSE;
      node = child;
      atRoot = false;
    }
    pos = slash + 1;
  }

  if (atRoot) {
    if (node.valueBytes < sizeof(VS_FIXEDFILEINFO)) return FALSE;
    *buffer = p + node.valueStart;
    if (len) *len = static_cast<UINT>(node.valueBytes);
    return TRUE;
  }
  if (node.type != 1) {
    *buffer = p + node.valueStart;
    if (len) *len = static_cast<UINT>(node.valueBytes);
    return TRUE;
  }
  // Text: the UTF-16 value up to its NUL (or the end of the node), converted into the area.
  uint64_t units = 0;
  if (node.valueLength != 0) {
    uint64_t maxUnits = (node.end - node.valueStart) / 2;
    while (units < maxUnits) {
      uint64_t at = node.valueStart + 2 * units;
      if ((p[at] | p[at + 1]) == 0) break;
      ++units;
    }
  }
  uint32_t marker = 0, room = 0;
  uint64_t area = Align4(w);
  Rd32(p, area + 8, area, &marker);
  Rd32(p, area + 8, area + 4, &room);
  if (marker != kAreaMarker) return FALSE;
  std::string text = Utf16ToUtf8(p, node.valueStart, units);
  uint64_t at = 3 * (node.valueStart / 2);
  if (at + text.size() + 1 > room) return FALSE;
  uint8_t* dest = p + area + kAreaHeader + at;
  std::memcpy(dest, text.data(), text.size());
  dest[text.size()] = 0;
  *buffer = dest;
  if (len) *len = node.valueLength == 0 ? 0 : static_cast<UINT>(text.size() + 1);
  return TRUE;
}

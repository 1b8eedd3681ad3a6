#include "refhost/pe_image_writer.h"

#include <cstdio>
#include <cstring>

namespace {

class Bytes {
 public:
  std::vector<uint8_t> data;
  size_t Size() const { return data.size(); }
  void U8(uint8_t v) { data.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void U64(uint64_t v) {
    U32(static_cast<uint32_t>(v));
    U32(static_cast<uint32_t>(v >> 32));
  }
  void Raw(const std::vector<uint8_t>& v) { data.insert(data.end(), v.begin(), v.end()); }
  void PadTo(size_t alignment) {
    while (data.size() % alignment) U8(0);
  }
  void Set16(size_t at, uint16_t v) {
    data[at] = static_cast<uint8_t>(v);
    data[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  void Set32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) data[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
};

// UTF-16 units of UTF-8 text; bytes that are not valid UTF-8 pass through as Latin-1.
std::vector<uint16_t> ToUtf16(const std::string& s) {
  std::vector<uint16_t> out;
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp = c;
    size_t extra = 0;
    if (c >= 0xF0 && c < 0xF8) {
      cp = c & 0x07;
      extra = 3;
    } else if (c >= 0xE0) {
      cp = c & 0x0F;
      extra = 2;
    } else if (c >= 0xC0) {
      cp = c & 0x1F;
      extra = 1;
    }
    bool ok = i + extra < s.size() || extra == 0;
    for (size_t k = 1; ok && k <= extra; ++k)
      ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (!ok || (c >= 0x80 && c < 0xC0) || c >= 0xF8) {
      cp = c;
      extra = 0;
    } else {
      for (size_t k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<uint16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<uint16_t>(cp));
    }
  }
  return out;
}

// One node: wLength, wValueLength, wType, key, padding, value, padding, children.
// wValueLength counts UTF-16 units for text (with the NUL) and bytes for binary values.
std::vector<uint8_t> Node(const std::string& key, uint16_t type, const std::vector<uint8_t>& value,
                          uint16_t valueLength, const std::vector<std::vector<uint8_t>>& children) {
  Bytes b;
  b.U16(0);
  b.U16(valueLength);
  b.U16(type);
  for (uint16_t u : ToUtf16(key)) b.U16(u);
  b.U16(0);
  b.PadTo(4);
  b.Raw(value);
  for (const auto& child : children) {
    b.PadTo(4);
    b.Raw(child);
  }
  b.Set16(0, static_cast<uint16_t>(b.Size()));
  return b.data;
}

std::vector<uint8_t> TextValue(const std::string& text, uint16_t* units) {
  Bytes b;
  std::vector<uint16_t> u = ToUtf16(text);
  for (uint16_t c : u) b.U16(c);
  b.U16(0);
  *units = static_cast<uint16_t>(u.size() + 1);
  return b.data;
}

std::string Hex4(unsigned v) {
  char s[8];
  std::snprintf(s, sizeof s, "%04x", v & 0xFFFFu);
  return s;
}

}  // namespace

std::vector<uint8_t> BuildVersionInfoBlock(const VersionInfoSpec& spec) {
  Bytes fixed;
  fixed.U32(0xFEEF04BDu);
  fixed.U32(0x00010000u);
  fixed.U32((uint32_t{spec.fileVersion[0]} << 16) | spec.fileVersion[1]);
  fixed.U32((uint32_t{spec.fileVersion[2]} << 16) | spec.fileVersion[3]);
  fixed.U32((uint32_t{spec.productVersion[0]} << 16) | spec.productVersion[1]);
  fixed.U32((uint32_t{spec.productVersion[2]} << 16) | spec.productVersion[3]);
  fixed.U32(0x3Fu);
  fixed.U32(spec.fileFlags);
  fixed.U32(0x00040004u);  // VOS_NT_WINDOWS32
  fixed.U32(spec.fileType);
  fixed.U32(0);
  fixed.U32(0);
  fixed.U32(0);

  std::vector<std::vector<uint8_t>> children;
  if (spec.withStringFileInfo) {
    std::vector<std::vector<uint8_t>> strings;
    for (const auto& [name, value] : spec.strings) {
      uint16_t units = 0;
      std::vector<uint8_t> text = TextValue(value, &units);
      strings.push_back(Node(name, 1, text, units, {}));
    }
    std::vector<uint8_t> table = Node(Hex4(spec.language) + Hex4(spec.codePage), 1, {}, 0, strings);
    children.push_back(Node("StringFileInfo", 1, {}, 0, {table}));
  }
  if (spec.withVarFileInfo) {
    Bytes translation;
    translation.U16(spec.language);
    translation.U16(spec.codePage);
    std::vector<uint8_t> var = Node("Translation", 0, translation.data, 4, {});
    children.push_back(Node("VarFileInfo", 1, {}, 0, {var}));
  }
  return Node("VS_VERSION_INFO", 0, fixed.data, static_cast<uint16_t>(fixed.Size()), children);
}

std::vector<uint8_t> BuildPeImage(const PeImageSpec& spec) {
  constexpr uint32_t kFileAlign = 0x200, kSectionAlign = 0x1000, kRsrcRva = 0x1000;
  constexpr uint32_t kHeaderSize = 0x200;
  const bool hasResource = !spec.versionResource.empty();

  // .rsrc: type directory -> name directory -> language directory -> data entry -> data.
  Bytes rsrc;
  if (hasResource) {
    auto directory = [&](uint32_t id, uint32_t target) {
      rsrc.U32(0);  // characteristics
      rsrc.U32(0);  // time stamp
      rsrc.U16(0);
      rsrc.U16(0);  // version
      rsrc.U16(0);  // named entries
      rsrc.U16(1);  // id entries
      rsrc.U32(id);
      rsrc.U32(target);
    };
    directory(16, 0x80000000u | 24);  // RT_VERSION
    directory(1, 0x80000000u | 48);   // VS_VERSION_INFO is resource #1
    directory(0x0409, 72);            // language -> data entry
    uint32_t dataOffset = 88;
    rsrc.U32(kRsrcRva + dataOffset);
    rsrc.U32(static_cast<uint32_t>(spec.versionResource.size()));
    rsrc.U32(0);  // code page
    rsrc.U32(0);
    rsrc.Raw(spec.versionResource);
  }
  uint32_t rsrcSize = static_cast<uint32_t>(rsrc.Size());
  uint32_t rsrcRaw = (rsrcSize + kFileAlign - 1) / kFileAlign * kFileAlign;
  uint32_t imageSize = kRsrcRva + (rsrcSize + kSectionAlign - 1) / kSectionAlign * kSectionAlign;
  if (!hasResource) imageSize = kRsrcRva;

  Bytes pe;
  // DOS header: only the signature and the offset of the NT headers matter to loaders.
  pe.U16(0x5A4D);
  while (pe.Size() < 0x3C) pe.U8(0);
  pe.U32(0x40);
  pe.U32(0x00004550);  // "PE\0\0"
  pe.U16(spec.pe32Plus ? 0x8664 : 0x014C);
  pe.U16(hasResource ? 1 : 0);
  pe.U32(0);  // time stamp: fixed so that images are reproducible
  pe.U32(0);
  pe.U32(0);
  pe.U16(spec.pe32Plus ? 240 : 224);
  uint16_t characteristics = 0x0002;                // executable image
  if (!spec.pe32Plus) characteristics |= 0x0100;   // 32-bit machine
  else characteristics |= 0x0020;                  // large address aware
  if (spec.dll) characteristics |= 0x2000;
  pe.U16(characteristics);

  pe.U16(spec.pe32Plus ? 0x20B : 0x10B);
  pe.U8(14);  // linker version
  pe.U8(0);
  pe.U32(0);         // size of code
  pe.U32(rsrcRaw);   // size of initialized data
  pe.U32(0);         // size of uninitialized data
  pe.U32(0);         // entry point: none, nothing runs
  pe.U32(kRsrcRva);  // base of code
  if (spec.pe32Plus) {
    pe.U64(0x180000000ull);
  } else {
    pe.U32(kRsrcRva);  // base of data
    pe.U32(0x10000000u);
  }
  pe.U32(kSectionAlign);
  pe.U32(kFileAlign);
  pe.U16(6);  // OS version
  pe.U16(0);
  pe.U16(0);  // image version
  pe.U16(0);
  pe.U16(6);  // subsystem version
  pe.U16(0);
  pe.U32(0);
  pe.U32(imageSize);
  pe.U32(kHeaderSize);
  pe.U32(0);   // checksum
  pe.U16(spec.dll ? 2 : 3);  // GUI for the DLL, console for a program
  pe.U16(0x0100);            // NX compatible
  if (spec.pe32Plus) {
    pe.U64(0x100000);
    pe.U64(0x1000);
    pe.U64(0x100000);
    pe.U64(0x1000);
  } else {
    pe.U32(0x100000);
    pe.U32(0x1000);
    pe.U32(0x100000);
    pe.U32(0x1000);
  }
  pe.U32(0);   // loader flags
  pe.U32(16);  // data directories
  for (int i = 0; i < 16; ++i) {
    bool resourceDir = i == 2 && hasResource;
    pe.U32(resourceDir ? kRsrcRva : 0);
    pe.U32(resourceDir ? rsrcSize : 0);
  }
  if (hasResource) {
    const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    for (char c : name) pe.U8(static_cast<uint8_t>(c));
    pe.U32(rsrcSize);
    pe.U32(kRsrcRva);
    pe.U32(rsrcRaw);
    pe.U32(kHeaderSize);
    pe.U32(0);
    pe.U32(0);
    pe.U16(0);
    pe.U16(0);
    pe.U32(0x40000040u);  // initialized data, readable
  }
  while (pe.Size() < kHeaderSize) pe.U8(0);
  if (hasResource) {
    pe.Raw(rsrc.data);
    pe.PadTo(kFileAlign);
  }
  return pe.data;
}

std::vector<uint8_t> BuildVersionedPeImage(const VersionInfoSpec& spec) {
  PeImageSpec image;
  image.dll = spec.fileType != 1;
  image.versionResource = BuildVersionInfoBlock(spec);
  return BuildPeImage(image);
}

bool WriteBytesToFile(const char* path, const std::vector<uint8_t>& bytes) {
  if (!path || !*path) return false;
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// The 24-bit BMP form of pictures: headers, bottom-up rows and row padding.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "qarnview/app/bmp_file.h"

namespace {

uint32_t Read32(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 | static_cast<uint8_t>(s[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

TEST(EncodeBmp24, HeadersDescribeA24BitBottomUpPicture) {
  std::vector<uint32_t> pixels(3 * 2, 0);
  std::string bmp = EncodeBmp24(3, 2, pixels.data());
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ('B', bmp[0]);
  EXPECT_EQ('M', bmp[1]);
  EXPECT_EQ(bmp.size(), Read32(bmp, 2));
  EXPECT_EQ(54u, Read32(bmp, 10));
  EXPECT_EQ(40u, Read32(bmp, 14));
  EXPECT_EQ(3u, Read32(bmp, 18));
  EXPECT_EQ(2u, Read32(bmp, 22));  // positive height: the last row comes first
  EXPECT_EQ(24, bmp[28]);
  // 3 pixels * 3 bytes = 9, padded to 12 per row.
  EXPECT_EQ(54u + 2 * 12, bmp.size());
}

// Rows bottom-up, each pixel as blue, green, red, each row padded with zeros to four bytes.
TEST(SaveDcPicture, WritesWhatWasDrawnIntoTheDeviceContext) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 3, 3);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT all = {0, 0, 3, 3};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetPixel(memory, 0, 0, RGB(10, 20, 30));  // top-left
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  std::filesystem::path path = std::filesystem::path(folder) / "qarnview-bmp-test.bmp";
  EXPECT_EQ("", SaveDcPicture(memory, 3, 3, path));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  FILE* f = _wfopen(path.c_str(), L"rb");
  ASSERT_NE(nullptr, f);
  std::string bmp(54 + 3 * 12, '\0');
  EXPECT_EQ(bmp.size(), fread(bmp.data(), 1, bmp.size() + 1, f));
  fclose(f);
  std::filesystem::remove(path);
  // The top-left pixel is in the last stored row.
  size_t at = 54 + 2 * 12;
  EXPECT_EQ(30, static_cast<uint8_t>(bmp[at]));
  EXPECT_EQ(20, static_cast<uint8_t>(bmp[at + 1]));
  EXPECT_EQ(10, static_cast<uint8_t>(bmp[at + 2]));
  EXPECT_EQ(255, static_cast<uint8_t>(bmp[54]));  // bottom-left stays white
  for (size_t row = 0; row < 3; ++row)
    for (size_t pad = 9; pad < 12; ++pad) EXPECT_EQ(0, bmp[54 + row * 12 + pad]) << "row " << row;
}

}  // namespace

// Pictures written as 24-bit BMP files: bottom-up rows of blue, green, red, each row
// padded to a multiple of 4 bytes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>

// `pixels` holds width * height values 0x00RRGGBB, top row first.
std::string EncodeBmp24(int width, int height, const uint32_t* pixels);

// Writes the `width` x `height` picture at (0, 0) of `hdc`. "" on success; otherwise
// the reason.
std::string SaveDcPicture(HDC hdc, int width, int height, const std::filesystem::path& path);

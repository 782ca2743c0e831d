#pragma once
// A minimal PNG writer: 8-bit RGB, one zlib stream of stored (uncompressed) deflate blocks.

#include <cstdint>
#include <string>
#include <vector>

namespace Png
{
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size);
// The PNG file of rgb (width * height * 3 bytes, rows top to bottom).
std::vector<uint8_t> Encode(int width, int height, const std::vector<uint8_t>& rgb);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
}  // namespace Png

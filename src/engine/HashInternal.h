#pragma once
// The CRC-32 step shared by HashLine and the splitter, which hashes tokens without copying them.
#include <array>
#include <cstdint>

namespace engine_detail {

extern const std::array<uint32_t, 256> Crc32Table;

inline uint32_t Crc32Step(uint32_t crc, unsigned char b) {
  return Crc32Table[(crc ^ b) & 0xFFu] ^ (crc >> 8);
}

}  // namespace engine_detail

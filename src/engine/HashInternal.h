#pragma once
// The CRC-32 shared by HashLine and the splitter, which hashes tokens in place, case-folded on
// the fly. Slicing by four bytes: tokens average several bytes, and one table lookup per byte
// chained through the running value is what limits splitting speed.
#include <array>
#include <cstddef>
#include <cstdint>

namespace engine_detail {

using Crc32Tables = std::array<std::array<uint32_t, 256>, 4>;
extern const Crc32Tables Crc32Table4;

inline uint32_t Crc32Step(uint32_t crc, unsigned char b) {
  return Crc32Table4[0][(crc ^ b) & 0xFFu] ^ (crc >> 8);
}

// CRC-32 (without the final complement) of map[p[0]], map[p[1]], ... continuing from crc.
inline uint32_t Crc32Mapped(uint32_t crc, const unsigned char* p, size_t n, const unsigned char* map) {
  const auto& t = Crc32Table4;
  for (; n >= 4; n -= 4, p += 4) {
    crc ^= static_cast<uint32_t>(map[p[0]]) | static_cast<uint32_t>(map[p[1]]) << 8 |
           static_cast<uint32_t>(map[p[2]]) << 16 | static_cast<uint32_t>(map[p[3]]) << 24;
    crc = t[3][crc & 0xFFu] ^ t[2][(crc >> 8) & 0xFFu] ^ t[1][(crc >> 16) & 0xFFu] ^ t[0][crc >> 24];
  }
  for (; n > 0; --n, ++p) crc = Crc32Step(crc, map[*p]);
  return crc;
}

}  // namespace engine_detail

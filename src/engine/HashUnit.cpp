#include "engine/HashUnit.h"

#include <string>

#include "engine/HashInternal.h"
#include "support/Cp1251.h"

namespace engine_detail {

constinit const Crc32Tables Crc32Table4 = [] {
  Crc32Tables t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][n] = c;
  }
  // t[s][n]: the CRC of byte n followed by s zero bytes.
  for (size_t s = 1; s < 4; ++s)
    for (uint32_t n = 0; n < 256; ++n) t[s][n] = (t[s - 1][n] >> 8) ^ t[0][t[s - 1][n] & 0xFFu];
  return t;
}();

}  // namespace engine_detail

int32_t CalcCrc32(const unsigned char* bytes, int count) {
  if (count <= 0) return 0;
  uint32_t crc = 0xFFFFFFFFu;
  for (int i = 0; i < count; ++i) crc = engine_detail::Crc32Step(crc, bytes[i]);
  return static_cast<int32_t>(~crc);
}

int32_t HashLine(std::string_view text, bool ignoreCase, bool ignoreBlanks) {
  std::string copy;
  copy.reserve(text.size());
  for (char ch : text) {
    if (ignoreBlanks && (ch == '\t' || ch == ' ')) continue;
    copy.push_back(ignoreCase ? static_cast<char>(cp1251::Lower(static_cast<unsigned char>(ch))) : ch);
  }
  return CalcCrc32(reinterpret_cast<const unsigned char*>(copy.data()), static_cast<int>(copy.size()));
}

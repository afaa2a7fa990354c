#include "support/Cp1251.h"

namespace cp1251 {
namespace {

// Capital/small pairs of the code page outside A-Z and А-Я.
constexpr unsigned char kExtraPairs[][2] = {
    {0xA8, 0xB8}, {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
    {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4}, {0xAA, 0xBA},
    {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};

constexpr std::array<unsigned char, 256> MakeTable(bool toUpper) {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
  auto pair = [&](int capital, int small) {
    if (toUpper)
      t[small] = static_cast<unsigned char>(capital);
    else
      t[capital] = static_cast<unsigned char>(small);
  };
  for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
  for (int c = 0xC0; c <= 0xDF; ++c) pair(c, c + 32);
  for (const auto& p : kExtraPairs) pair(p[0], p[1]);
  return t;
}

}  // namespace

constinit const std::array<unsigned char, 256> UpperTable = MakeTable(true);
constinit const std::array<unsigned char, 256> LowerTable = MakeTable(false);

std::string ToUpper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(UpperTable[static_cast<unsigned char>(c)]);
  return r;
}

std::string ToLower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(LowerTable[static_cast<unsigned char>(c)]);
  return r;
}

}  // namespace cp1251

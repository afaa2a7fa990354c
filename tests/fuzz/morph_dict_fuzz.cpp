// The three dictionary files drawn from the input: loading must never read past a file or
// install half a table, and whatever it accepts must be safe to look words up in.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "find/MorphRus.h"
#include "find/MorphRusTables.h"
#include "find/TextFinder.h"
#include "support/VStringList.h"

namespace {

std::string Dir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/parvel_dict_fuzz_XXXXXX";
    const char* made = ::mkdtemp(tmpl);
    if (!made) std::abort();
    return std::string(made) + "/";
  }();
  return dir;
}

void Write(const std::string& name, std::string_view bytes) {
  std::FILE* f = std::fopen((Dir() + name).c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first two bytes cut the rest into A71.DAT, A80.DAT and A49.DAT.
  const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
  const size_t a = rest.size() * data[0] / 255, b = a + (rest.size() - a) * data[1] / 255;
  Write("A71.DAT", rest.substr(0, a));
  Write("A80.DAT", rest.substr(a, b - a));
  Write("A49.DAT", rest.substr(b));
  std::string message;
  if (!LoadDictionaries(Dir(), message)) {
    if (Endings.Count() != 0 || Bases.Count() != 0 || !LnTerms.empty()) std::abort();
    return 0;
  }
  for (const char* word : {"\xC7\xC0\xCA\xCE\xCD", "\xC0\xC1\xC2\xC3\xC4\xC5", "A", "\xC3\xCA \xD0\xD4"}) {
    TVStringList forms(true, TVStringList::TDuplicates::dupIgnore);
    GetWordForms(word, forms);
  }
  int count = 0;
  MarkMatches("\xC3\xCA \xD0\xD4 \xE7\xE0\xEA\xEE\xED", "<p>\xC7\xE0\xEA\xEE\xED \xC3\xCA \xD0\xD4 abc</p> ", count);
  FreeDictionaries();
  return 0;
}

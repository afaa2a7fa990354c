// A query and an HTML body drawn from the input, searched with the real dictionaries: the finder
// must keep every byte of the body and insert only well-formed, numbered marks.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "find/MorphRusTables.h"
#include "find/TextFinder.h"
#include "support/CharReference.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string DataDir() {
  char exe[4096];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string path = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string("./x");
  return path.substr(0, path.rfind('/') + 1) + "Data/";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string message;
  if (!LoadDictionaries(DataDir(), message)) {
    std::fprintf(stderr, "finder_fuzz: %s\n", message.c_str());
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the query's length: up to 80 bytes, as the find panel's edit allows.
  const size_t queryLength = std::min<size_t>(data[0] % 81, size - 1);
  const std::string_view query(reinterpret_cast<const char*>(data) + 1, queryLength);
  std::string body(reinterpret_cast<const char*>(data) + 1 + queryLength, size - 1 - queryLength);
  body += ' ';
  int count = -1;
  const std::string marked = MarkMatches(query, body, count);
  Check(count >= 0);
  if (body.find("acronym") != std::string::npos) return 0;
  // Taking the marks out gives the body back, and every mark holds word bytes only.
  std::string plain;
  size_t at = 0;
  int marks = 0;
  for (size_t open = marked.find("<acronym id=\"fnd"); open != std::string::npos;
       open = marked.find("<acronym id=\"fnd", at)) {
    plain.append(marked, at, open - at);
    const size_t from = marked.find("\">", open) + 2;
    const size_t close = marked.find("</acronym>", from);
    Check(close != std::string::npos && close > from);
    for (size_t i = from; i < close; ++i) Check(IsWordChar(marked[i]));
    plain.append(marked, from, close - from);
    at = close + 10;
    ++marks;
  }
  plain.append(marked, at, std::string::npos);
  Check(plain == body);
  Check(marks >= count);
  // No mark stands inside a character reference: the marked text holds every one of them whole.
  auto references = [](std::string_view s) {
    size_t n = 0;
    for (size_t p = s.find('&'); p != std::string_view::npos; p = s.find('&', p + 1)) n += char_ref::Length(s, p) > 0;
    return n;
  };
  Check(references(marked) == references(body));
  return 0;
}

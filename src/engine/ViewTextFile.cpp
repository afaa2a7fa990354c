// Reading a file as a view's text, as the comparison run takes it.
#include "engine/ViewTextFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include <sys/stat.h>

#include "engine/ResultPages.h"
#include "support/FastStrings.h"

namespace fs = std::filesystem;

namespace {

// Appends the bytes of the file to out, reading it with as few calls as its size allows, and
// leaves room for spare more bytes after them. Throws with the path and the system's reason
// when the file cannot be read.
void AppendWholeFile(const std::string& path, std::string& out, size_t spare) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw std::runtime_error("cannot read " + path + ": it is a folder");
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
  struct stat st {};
  size_t chunk = 1 << 16;
  if (::fstat(::fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    chunk = static_cast<size_t>(st.st_size) + 1;  // + 1: the end of the file shows in the first read
  out.reserve(out.size() + chunk + spare);
  bool failed = false;
  for (;;) {
    const size_t old = out.size();
    out.resize(old + chunk);
    const size_t got = std::fread(out.data() + old, 1, chunk, f);
    out.resize(old + got);
    if (got < chunk) {
      failed = std::ferror(f) != 0;
      break;
    }
    chunk = 1 << 16;
  }
  std::fclose(f);
  if (failed) throw std::runtime_error("cannot read " + path + ": read error");
}

}  // namespace

std::string ReadViewTextFile(const std::string& path) {
  std::string text = PageHead("etalon5.css");
  const size_t headSize = text.size();
  static constexpr std::string_view kBodyStart = "<body>", kBodyEnd = "</body>", kHtmlEnd = "</html>";
  AppendWholeFile(path, text, kBodyStart.size() + kBodyEnd.size() + kHtmlEnd.size());
  if (text.size() == headSize) return {};
  // The real start tag: a "<body" inside a comment or a script of the head is not one.
  const size_t body = FindBodyStartTag(std::string_view(text).substr(headSize));
  if (body != std::string::npos) {
    text.erase(headSize, body);
  } else {
    text.insert(headSize, kBodyStart);
    text.append(kBodyEnd);
  }
  text.append(kHtmlEnd);
  return text;
}


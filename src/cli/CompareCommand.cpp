// parvel-cli compare LEFT RIGHT OUTDIR: the comparison run without the windows.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include <sys/stat.h>

#include "cli/Commands.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "support/FastStrings.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kCompareHelp = R"(Usage: parvel-cli compare LEFT RIGHT OUTDIR

Compares two texts word by word, as the "Сравнить" command does, and writes the two
marked result pages OUTDIR/c1.htm (text 1 with deletions marked) and OUTDIR/c2.htm
(text 2 with insertions marked). OUTDIR is created when missing.

LEFT and RIGHT are files of Windows-1251 bytes standing for what the left and right
view hold: the body is taken from the body start tag (any case; not a "<body" inside a
comment or a script) to the end of the file; a file without one is taken as the content
of a body. A 0-byte file stands for a
view without a document.

On success prints the number of changes as one line on standard output and exits 0.
Both pages are replaced together: they are written to temporary files first and
renamed into place only when both are complete and both old files can be replaced;
on any failure the earlier pair stays as it was.

Exit codes:
  0  pages written
  1  a text is empty ("Текст 1 пуст" / "Текст 2 пуст"), a file cannot be read,
     or OUTDIR or a page cannot be written (nothing is left half-written)
  2  wrong arguments
)";

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

// The text a view would hand to the run: head + body outer HTML + "</html>", built in one
// buffer. Empty when the file is empty (a view without a document).
std::string ReadViewText(const std::string& path) {
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

}  // namespace

int RunCompareCommand(const CliArgs& args) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::cout << kCompareHelp;
      return 0;
    }
  }
  if (args.size() != 3) {
    std::cerr << "parvel-cli: compare needs LEFT RIGHT OUTDIR; see parvel-cli compare --help\n";
    return 2;
  }
  const std::string& leftPath = args[0];
  const std::string& rightPath = args[1];
  const fs::path outDir(args[2]);

  std::string left = ReadViewText(leftPath);
  std::string right = ReadViewText(rightPath);
  if (left.empty()) {
    std::cerr << "Текст 1 пуст\n";
    return 1;
  }
  if (right.empty()) {
    std::cerr << "Текст 2 пуст\n";
    return 1;
  }

  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (ec || !fs::is_directory(outDir))
    throw std::runtime_error("cannot create folder " + outDir.string() + ": " +
                             (ec ? ec.message() : std::string("a file of that name exists")));

  TDiff diff;
  const TResultPages pages = BuildResultPages(std::move(left), std::move(right), diff);

  const std::string c1 = (outDir / "c1.htm").string();
  const std::string c2 = (outDir / "c2.htm").string();
  WritePagePair(c1, pages.Left, c2, pages.Right);
  std::cout << pages.ChangeCount << "\n";
  return 0;
}

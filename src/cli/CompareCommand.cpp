// parvel-cli compare LEFT RIGHT OUTDIR: the comparison run without the windows.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/Commands.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "input/ViewTextFile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kCompareHelp = R"(Usage: parvel-cli compare LEFT RIGHT OUTDIR [--max-seconds N]

Compares two texts word by word, as the "Сравнить" command does, and writes the two
marked result pages OUTDIR/c1.htm (text 1 with deletions marked) and OUTDIR/c2.htm
(text 2 with insertions marked). OUTDIR is created when missing.

LEFT and RIGHT are read as the program opens files: HTML pages in Windows-1251,
UTF-8 or UTF-16 (byte-order mark, then the page's charset declaration, then the bytes
themselves tell which; characters Windows-1251 lacks become "&#N;" references), plain
text (.txt: each line a paragraph) and office documents (.docx .doc .odt .rtf,
converted by LibreOffice). The body is taken from the body start tag (any case; not
a "<body" inside a comment or a script) to the end of the page; a page without one is
taken as the content of a body. A 0-byte file stands for a view without a document. Folders, binary files and files over
200 MB are refused with a message.

On success prints the number of changes as one line on standard output and exits 0.
Both pages are replaced together: they are written to temporary files first and
renamed into place only when both are complete and both old files can be replaced;
on any failure the earlier pair stays as it was.

The comparison's time grows with the text's length times the number of differences: two
unrelated texts of a few megabytes take minutes. --max-seconds N stops a comparison that
has not finished after N seconds; nothing is written then.

Exit codes:
  0  pages written
  1  a text is empty ("Текст 1 пуст" / "Текст 2 пуст"), a file cannot be read or
     converted,
     or OUTDIR or a page cannot be written (nothing is left half-written)
  2  wrong arguments
  3  stopped by --max-seconds (nothing written)
)";

}  // namespace

int RunCompareCommand(const CliArgs& args) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::cout << kCompareHelp;
      return 0;
    }
  }
  std::vector<std::string> paths;
  double maxSeconds = 0;  // 0: no limit
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--max-seconds") {
      char* end = nullptr;
      maxSeconds = i + 1 < args.size() ? std::strtod(args[i + 1].c_str(), &end) : 0;
      if (i + 1 >= args.size() || end == args[i + 1].c_str() || *end != '\0' || !(maxSeconds > 0)) {
        std::cerr << "parvel-cli: --max-seconds needs a number of seconds above 0\n";
        return 2;
      }
      ++i;
    } else {
      paths.push_back(args[i]);
    }
  }
  if (paths.size() != 3) {
    std::cerr << "parvel-cli: compare needs LEFT RIGHT OUTDIR; see parvel-cli compare --help\n";
    return 2;
  }
  const std::string& leftPath = paths[0];
  const std::string& rightPath = paths[1];
  const fs::path outDir(paths[2]);

  std::string left = ReadViewTextFile(leftPath);
  std::string right = ReadViewTextFile(rightPath);
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
  bool timedOut = false;
  if (maxSeconds > 0) {
    // The diff asks at every step of its recursion and every 200 steps of its search.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(maxSeconds);
    diff.SetProcessMessages([deadline, &timedOut, &diff] {
      if (!timedOut && std::chrono::steady_clock::now() > deadline) {
        timedOut = true;
        diff.Cancel();
      }
    });
  }
  const TResultPages pages = BuildResultPages(std::move(left), std::move(right), diff);
  if (timedOut) {
    std::cerr << "parvel-cli compare: stopped after " << maxSeconds
              << " s: the texts differ too much to compare in that time; nothing was written\n";
    return 3;
  }

  const std::string c1 = (outDir / "c1.htm").string();
  const std::string c2 = (outDir / "c2.htm").string();
  WritePagePair(c1, pages.Left, c2, pages.Right);
  std::cout << pages.ChangeCount << "\n";
  return 0;
}

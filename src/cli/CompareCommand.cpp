// parvel-cli compare LEFT RIGHT OUTDIR: the comparison run without the windows.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "cli/Commands.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "input/DocumentReader.h"
#include "support/FastStrings.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kCompareHelp = R"(Usage: parvel-cli compare LEFT RIGHT OUTDIR

Compares two texts word by word, as the "Сравнить" command does, and writes the two
marked result pages OUTDIR/c1.htm (text 1 with deletions marked) and OUTDIR/c2.htm
(text 2 with insertions marked). OUTDIR is created when missing.

LEFT and RIGHT are read as the program opens files: HTML pages in Windows-1251,
UTF-8 or UTF-16 (byte-order mark, then the page's charset declaration, then the bytes
themselves tell which; characters Windows-1251 lacks become "&#N;" references), plain
text (.txt: each line a paragraph) and office documents (.docx .doc .odt .rtf,
converted by LibreOffice). The body is taken from the first "<body" (any case) to the
end of the page; a page without "<body" is taken as the content of a body. A 0-byte
file stands for a view without a document. Folders, binary files and files over
200 MB are refused with a message.

On success prints the number of changes as one line on standard output and exits 0.
Both pages are replaced together: they are written to temporary files first and
renamed into place only when both are complete.

Exit codes:
  0  pages written
  1  a text is empty ("Текст 1 пуст" / "Текст 2 пуст"), a file cannot be read or
     converted,
     or OUTDIR or a page cannot be written (nothing is left half-written)
  2  wrong arguments
)";

// The text a view would hand to the run: head + body outer HTML + "</html>". The file is read
// as the window opens it (code page detected and converted, plain text and office documents
// made HTML); a Windows-1251 page gives its own bytes. Empty when the file is empty (a view
// without a document).
std::string ReadViewText(const std::string& path) {
  const input::TDocument doc = input::ReadDocument(path);
  if (doc.Html.empty()) return {};
  static constexpr std::string_view kBodyStart = "<body>", kBodyEnd = "</body>", kHtmlEnd = "</html>";
  std::string text = PageHead("etalon5.css");
  text.reserve(text.size() + doc.Html.size() + kBodyStart.size() + kBodyEnd.size() + kHtmlEnd.size());
  const int body = FindFromNoCase("<body", doc.Html, 1);
  if (body > 0) {
    text.append(std::string_view(doc.Html).substr(static_cast<size_t>(body - 1)));
  } else {
    text.append(kBodyStart);
    text.append(doc.Html);
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
  const std::string temp1 = WriteCrLfTempBeside(c1, pages.Left);
  std::string temp2;
  try {
    temp2 = WriteCrLfTempBeside(c2, pages.Right);
  } catch (...) {
    DiscardTemp(temp1);
    throw;
  }
  try {
    CommitTemp(temp1, c1);
  } catch (...) {
    DiscardTemp(temp2);
    throw;
  }
  try {
    CommitTemp(temp2, c2);
  } catch (const std::exception& e) {
    // A new c1 beside an old c2 would be a mismatched pair.
    std::remove(c1.c_str());
    throw std::runtime_error(std::string(e.what()) + " (" + c1 + " removed, so as not to leave a mismatched pair)");
  }
  std::cout << pages.ChangeCount << "\n";
  return 0;
}

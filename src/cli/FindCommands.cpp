// forms, variants and find: the word forms and the text finder from the command line.
// Arguments and output are UTF-8; the finder itself works on Windows-1251 bytes.
#include <unistd.h>

#include <climits>
#include <cstdint>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>

#include "cli/Commands.h"
#include "engine/ResultPages.h"
#include "find/MorphRus.h"
#include "find/MorphRusTables.h"
#include "find/TextFinder.h"
#include "input/DocumentReader.h"
#include "support/Cp1251.h"

namespace fs = std::filesystem;

namespace {

struct TFindArgs {
  std::vector<std::string> Positional;
  std::string DataDir;  // empty: the program's data folder
  std::optional<std::string> Out;
  bool Help = false;
};

// Parses the options of a command; false with a message on stderr for a bad option.
bool ParseArgs(const CliArgs& args, bool allowOut, TFindArgs& out, const char* command) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      out.Help = true;
    } else if (a == "--data" || (allowOut && a == "--out")) {
      if (i + 1 >= args.size()) {
        std::cerr << "parvel-cli " << command << ": " << a << " needs a value\n";
        return false;
      }
      (a == "--data" ? out.DataDir : out.Out.emplace()) = args[++i];
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      std::cerr << "parvel-cli " << command << ": unknown option " << a << "\n";
      return false;
    } else {
      out.Positional.push_back(a);
    }
  }
  return true;
}

// "Data/" beside the executable, found through the running image rather than argv.
std::string DefaultDataDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  const fs::path dir = ec ? fs::current_path(ec) : exe.parent_path();
  return (dir / "Data").string() + "/";
}

bool LoadData(const std::string& given) {
  std::string dir = given.empty() ? DefaultDataDir() : given;
  if (dir.back() != '/') dir += '/';
  std::string message;
  if (LoadDictionaries(dir, message)) return true;
  std::cerr << "parvel-cli: " << message << "\n";
  return false;
}

int Usage(const char* text) {
  std::cerr << text;
  return 2;
}

constexpr const char* kFormsHelp =
    "Usage: parvel-cli forms WORD [--data DIR]\n"
    "Prints the result code of the word-form look-up (0 nothing, 1 dictionary, 2 guessed), then\n"
    "every form of WORD, one a line. DIR holds A49.DAT, A71.DAT and A80.DAT (default: Data/\n"
    "beside the program).\n";
constexpr const char* kVariantsHelp =
    "Usage: parvel-cli variants PHRASE [--data DIR]\n"
    "Prints every variant the finder searches for PHRASE: phrase pairs first, then term\n"
    "variants, one a line.\n";
constexpr const char* kFindHelp =
    "Usage: parvel-cli find QUERY FILE [--out PATH] [--data DIR]\n"
    "FILE holds an HTML body in Windows-1251. Prints the number of occurrences of QUERY; with\n"
    "--out writes the body with every occurrence marked to PATH (replaced only when the search\n"
    "succeeded).\n"
    "Exit codes: 0 done, 1 the dictionaries cannot be loaded, 2 wrong arguments, 3 FILE cannot\n"
    "be read (missing, a folder, unreadable, 2 GB or more), 4 PATH cannot be written.\n";

}  // namespace

int RunFormsCommand(const CliArgs& args) {
  TFindArgs a;
  if (!ParseArgs(args, false, a, "forms")) return 2;
  if (a.Help) {
    std::cout << kFormsHelp;
    return 0;
  }
  if (a.Positional.size() != 1) return Usage(kFormsHelp);
  if (!LoadData(a.DataDir)) return 1;
  const std::string word = NormalizeWord(cp1251::FromUtf8(a.Positional[0]));
  TVStringList forms(true, TVStringList::TDuplicates::dupIgnore);
  const int code = GetWordForms(word, forms);
  std::cout << code << "\n";
  for (const auto& f : forms) std::cout << cp1251::ToUtf8(f) << "\n";
  FreeDictionaries();
  return 0;
}

int RunVariantsCommand(const CliArgs& args) {
  TFindArgs a;
  if (!ParseArgs(args, false, a, "variants")) return 2;
  if (a.Help) {
    std::cout << kVariantsHelp;
    return 0;
  }
  if (a.Positional.size() != 1) return Usage(kVariantsHelp);
  if (!LoadData(a.DataDir)) return 1;
  TVStringList variants;
  CollectVariants(cp1251::FromUtf8(a.Positional[0]), variants);
  for (const auto& v : variants) std::cout << cp1251::ToUtf8(v) << "\n";
  FreeDictionaries();
  return 0;
}

int RunFindCommand(const CliArgs& args) {
  TFindArgs a;
  if (!ParseArgs(args, true, a, "find")) return 2;
  if (a.Help) {
    std::cout << kFindHelp;
    return 0;
  }
  if (a.Positional.size() != 2) return Usage(kFindHelp);
  std::string html;
  try {
    // The finder's positions are 32-bit: a body of 2 GB or more is refused as too large.
    html = input::ReadFileBytes(a.Positional[1], static_cast<uint64_t>(INT_MAX) - 1);
  } catch (const input::EReadError& e) {
    std::cerr << "parvel-cli find: " << a.Positional[1] << ": " << e.what() << "\n";
    return 3;
  }
  if (!LoadData(a.DataDir)) return 1;
  // The find command searches the stored body with one blank appended.
  html += ' ';
  int count = 0;
  const std::string marked = MarkMatches(cp1251::FromUtf8(a.Positional[0]), html, count);
  FreeDictionaries();
  if (a.Out) {
    // Written beside the target and renamed into place: a failure leaves any old file as it was.
    try {
      CommitTemp(WriteTempBeside(*a.Out, marked), *a.Out);
    } catch (const std::exception& e) {
      std::cerr << "parvel-cli find: " << e.what() << "\n";
      return 4;
    }
  }
  std::cout << count << "\n";
  return 0;
}

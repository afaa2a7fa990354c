// forms, variants and find: the word forms and the text finder from the command line.
// Arguments and output are UTF-8; the finder itself works on Windows-1251 bytes.
#include <algorithm>
#include <climits>
#include <cstdint>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "engine/ResultPages.h"
#include "find/MorphRus.h"
#include "find/MorphRusTables.h"
#include "find/TextFinder.h"
#include "input/DocumentReader.h"
#include "support/Cp1251.h"
#include "support/FileCalls.h"
#include "support/OutputFiles.h"

namespace fs = std::filesystem;

namespace {

// --data DIR, and --out PATH where the command has it.
bool ParseArgs(const CliArgs& args, bool allowOut, TCommandArgs& out, const char* command) {
  std::vector<std::string> options = {"--data"};
  if (allowOut) options.push_back("--out");
  return ParseCommandArgs(args, options, command, out);
}

std::string DataDirOf(const TCommandArgs& a) {
  const auto it = a.Values.find("--data");
  return it == a.Values.end() ? std::string() : it->second;
}

// "Data/" beside the executable, found through the running image rather than argv.
std::string DefaultDataDir() {
  std::error_code ec;
  const std::string exe = filecalls::ExecutablePath();
  const fs::path dir = exe.empty() ? fs::current_path(ec) : fs::path(exe).parent_path();
  return (dir / "Data").string() + "/";
}

bool LoadData(const std::string& given) {
  std::string dir = given.empty() ? DefaultDataDir() : given;  // an empty --data is the default
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
    "Использование: parvel-cli forms WORD [--data DIR]\n"
    "Выводит код поиска форм слова (0 ничего, 1 из словаря, 2 угаданы), затем все формы WORD,\n"
    "по одной в строке. В DIR лежат A49.DAT, A71.DAT и A80.DAT (по умолчанию Data/ рядом с\n"
    "программой). Что не так со словом, сказано в сообщении, а результат поиска выводится всё\n"
    "равно (его использует поиск).\n"
    "Коды завершения: 0 формы найдены, 1 словари не загружаются, 2 неверные аргументы, 3 слово\n"
    "пустое (одни пробелы), 4 в слове есть знаки препинания или пробелы, 5 в слове есть\n"
    "латинские буквы, 6 слова нет в словаре и его формы не угадываются (код поиска 0).\n";
constexpr const char* kVariantsHelp =
    "Использование: parvel-cli variants PHRASE [--data DIR]\n"
    "Выводит все варианты, которые ищет поиск для PHRASE: сначала пары сокращений, затем\n"
    "варианты терминов, по одному в строке.\n";
constexpr const char* kFindHelp =
    "Использование: parvel-cli find QUERY FILE [--out PATH] [--data DIR]\n"
    "FILE — тело страницы HTML в Windows-1251. Выводит число вхождений QUERY; с --out\n"
    "(или --out=PATH) записывает в PATH тело с отмеченными вхождениями (файл заменяется\n"
    "только при успешном поиске; без вхождений записывается тело как есть).\n"
    "Коды завершения: 0 готово, 1 словари не загружаются, 2 неверные аргументы, 3 FILE не\n"
    "читается (нет файла, папка, не обычный файл, нет прав, 2 ГБ и больше), 4 PATH не\n"
    "удаётся записать, 5 на месте PATH стоит не обычный файл (папка, устройство, канал,\n"
    "сокет или ссылка на них; ничего не записано).\n";

// What is wrong with WORD as a Russian search word, with its exit code; 0 when nothing is.
// Checked in this order: blank, a character the finder does not count as part of a word,
// Latin letters. The look-up is printed all the same: it is what the finder would use.
int WordProblem(const std::string& word1251, std::string& why) {
  bool blank = true, latin = false, foreign = false;
  for (const char ch : word1251) {
    const auto c = static_cast<unsigned char>(ch);
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') blank = false;
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) latin = true;
    if (!IsWordChar(ch)) foreign = true;
  }
  if (blank) {
    why = "слово пустое; укажите русское слово";
    return 3;
  }
  if (foreign) {
    why = "в слове есть знаки препинания или пробелы, а поиск ищет формы одного слова из букв и цифр";
    return 4;
  }
  if (latin) {
    why = "в слове есть латинские буквы; словарь русский, формы такого слова только угадываются";
    return 5;
  }
  return 0;
}

}  // namespace

int RunFormsCommand(const CliArgs& args) {
  TCommandArgs a;
  if (!ParseArgs(args, false, a, "forms")) return 2;
  if (a.Help) {
    std::cout << kFormsHelp;
    return 0;
  }
  if (a.Positional.size() != 1) return Usage(kFormsHelp);
  const std::string given = cp1251::FromUtf8(a.Positional[0]);
  if (!LoadData(DataDirOf(a))) return 1;
  const std::string word = NormalizeWord(given);
  TVStringList forms(true, TVStringList::TDuplicates::dupIgnore);
  const int code = GetWordForms(word, forms);
  std::cout << code << "\n";
  for (const auto& f : forms) std::cout << cp1251::ToUtf8(f) << "\n";
  FreeDictionaries();
  std::string why;
  int exitCode = WordProblem(given, why);
  if (exitCode == 0 && code == 0) {
    why = "слова нет в словаре, и его формы не угадываются";
    exitCode = 6;
  }
  if (exitCode != 0) std::cerr << "parvel-cli forms: \"" << a.Positional[0] << "\": " << why << "\n";
  return exitCode;
}

int RunVariantsCommand(const CliArgs& args) {
  TCommandArgs a;
  if (!ParseArgs(args, false, a, "variants")) return 2;
  if (a.Help) {
    std::cout << kVariantsHelp;
    return 0;
  }
  if (a.Positional.size() != 1) return Usage(kVariantsHelp);
  if (!LoadData(DataDirOf(a))) return 1;
  TVStringList variants;
  CollectVariants(cp1251::FromUtf8(a.Positional[0]), variants);
  for (const auto& v : variants) std::cout << cp1251::ToUtf8(v) << "\n";
  FreeDictionaries();
  return 0;
}

int RunFindCommand(const CliArgs& args) {
  TCommandArgs a;
  if (!ParseArgs(args, true, a, "find")) return 2;
  if (a.Help) {
    std::cout << kFindHelp;
    return 0;
  }
  if (a.Positional.size() != 2) return Usage(kFindHelp);
  std::optional<std::string> out;
  if (const auto it = a.Values.find("--out"); it != a.Values.end()) out = it->second;
  if (a.Positional[1].empty() || (out && out->empty())) {
    std::cerr << "parvel-cli find: не задано имя " << (a.Positional[1].empty() ? "файла FILE" : "файла для --out") << "\n";
    return 2;
  }
  if (out) {
    // Refused before anything is read: the result could not be written there anyway.
    try {
      CheckOutputPath(*out);
    } catch (const EOutputError& e) {
      std::cerr << "parvel-cli find: " << e.what() << "\n";
      return 5;
    }
  }
  std::string html;
  try {
    // The finder's positions are 32-bit: a body of 2 GB or more is refused as too large.
    html = input::ReadFileBytes(a.Positional[1], static_cast<uint64_t>(INT_MAX) - 1);
  } catch (const input::EReadError& e) {
    std::cerr << "parvel-cli find: " << a.Positional[1] << ": " << e.what() << "\n";
    return 3;
  }
  if (!LoadData(DataDirOf(a))) return 1;
  // The find command searches the stored body with one blank appended.
  const size_t bodySize = html.size();
  html += ' ';
  int count = 0;
  std::string marked = MarkMatches(cp1251::FromUtf8(a.Positional[0]), html, count);
  FreeDictionaries();
  if (count == 0) marked.resize(std::min(marked.size(), bodySize));  // nothing marked: the body as it was
  if (out) {
    try {
      WriteFileReplacing(*out, marked);
    } catch (const EOutputError& e) {
      std::cerr << "parvel-cli find: " << e.what() << "\n";
      return e.Kind == TOutputFailure::ofNotRegular ? 5 : 4;
    }
  }
  std::cout << count << "\n";
  return 0;
}

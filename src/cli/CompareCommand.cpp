// parvel-cli compare LEFT RIGHT OUTDIR: the comparison run without the windows.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <exception>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "engine/ChangesJson.h"
#include "engine/ComparisonModel.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "input/ViewTextFile.h"
#include "support/OutputFiles.h"
#include "support/SystemErrorText.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kCompareHelp = R"(Использование: parvel-cli compare LEFT RIGHT OUTDIR [--literal | --coherent] [--json FILE] [--max-seconds N]

Сравнивает два текста по словам, как команда "Сравнить", и записывает две страницы
с отметками: OUTDIR/c1.htm (текст 1 с отмеченными удалениями) и OUTDIR/c2.htm
(текст 2 с отмеченными вставками). Недостающая папка OUTDIR создаётся.

Изменения выравниваются по тексту: где отмеченный кусок можно сдвинуть по
совпадающим словам, не меняя самой правки, его края ставятся на границы абзацев,
затем предложений, затем на «;» и «:». Отмечаются те же слова в том же числе, только
на своём месте (вставленный абзац отмечен целиком, а не со «-ФЗ)» соседнего).
Перенесённые куски (удалённые в одном месте и вставленные в другом, не короче
4 слов и 20 букв или цифр, с немногими правками внутри) показываются как перенос:
оба конца отмечены третьим цветом и считаются одним изменением.
--literal отключает выравнивание и переносы: отметки стоят ровно там, где их даёт
сравнение по словам.

--coherent показывает связные изменения: две правки в одном абзаце, между которыми
не больше общих слов, чем в меньшей из них (и всегда, если их не больше двух), —
одно изменение, а общие слова между ними отмечены с обеих сторон как заменённые.
Правки по разные стороны границы абзаца, ячейки таблицы или строки не объединяются.
С --literal не сочетается (код 2).

--json FILE (или --json=FILE) записывает также список изменений в FILE, один документ
JSON в UTF-8, в порядке счётчика изменений:
  {"changes": [{"n": 1, "kind": "inserted" | "deleted" | "replaced" | "moved",
                "old": {"paragraph": 12, "first_token": 340, "token_count": 5, "text": "…"},
                "new": {...}}, ...]}
paragraph — номер абзаца (элемента-блока тела: абзаца, заголовка, ячейки таблицы,
с 0), где начинается эта сторона изменения; first_token и token_count — её слова и
знаки (номера с 0); text — эти слова. У вставки сторона "old" — место в тексте 1,
где вставленного нет (token_count 0), у удаления так же сторона "new"; у переноса
"old" — прежнее место куска, "new" — новое. Файл
заменяется целиком вместе со страницами; если его записать нельзя, не записывается
ничего.

LEFT и RIGHT читаются так, как программа открывает файлы: страницы HTML в Windows-1251,
UTF-8 или UTF-16 (кодировку показывают метка порядка байтов, объявление charset
страницы или сами байты; символы, которых нет в Windows-1251, становятся ссылками
"&#N;"), простой текст (.txt: каждая строка — абзац) и документы (.docx .doc .odt .rtf,
преобразуются LibreOffice). Тело берётся от начального тега body (в любом регистре;
не "<body" внутри комментария или скрипта) до конца страницы; страница без него
считается содержимым тела. Файл из 0 байт означает окно без документа. Папки,
каналы, устройства, двоичные файлы и файлы больше 200 МБ не читаются, о чём
выводится сообщение.

При успехе выводит число изменений одной строкой и завершается с кодом 0. Обе
страницы заменяются парой: новые файлы сначала записываются во временные, а затем
переименовываются на место; в любой момент в OUTDIR лежит целая старая или целая
новая пара (замену, прерванную остановкой программы, завершает следующий запуск в
ту же папку). Одновременные запуски в одну папку ждут друг друга; побеждает
последний. Если на месте c1.htm или c2.htm стоит не обычный файл (папка,
устройство, канал, сокет или ссылка на них), ничего не записывается.

Время сравнения растёт с длиной текста, умноженной на число различий: два
несвязанных текста в несколько мегабайт сравниваются минуты. --max-seconds N
(или --max-seconds=N) останавливает сравнение, не закончившееся за N секунд;
тогда ничего не записывается.

Коды завершения:
  0  страницы записаны
  1  текст пуст ("Текст 1 пуст" / "Текст 2 пуст"), файл не читается или не
     преобразуется, папку OUTDIR или страницу не удаётся записать (ничего не
     остаётся записанным наполовину)
  2  неверные аргументы (неизвестный параметр, пустое имя файла, --literal вместе
     с --coherent)
  3  остановлено по --max-seconds (ничего не записано)
  5  на месте c1.htm, c2.htm или файла --json стоит не обычный файл или
     OUTDIR — не папка (ничего не записано)
)";

int WriteFailureCode(const std::exception& e) {
  const auto* out = dynamic_cast<const EOutputError*>(&e);
  return out && out->Kind == TOutputFailure::ofNotRegular ? 5 : 1;
}

}  // namespace

int RunCompareCommand(const CliArgs& args) {
  TCommandArgs parsed;
  if (!ParseCommandArgs(args, {"--max-seconds", "--json"}, "compare", parsed, {"--literal", "--coherent"})) return 2;
  if (parsed.Help) {
    std::cout << kCompareHelp;
    return 0;
  }
  TComparisonOptions options = kDefaultComparisonOptions;
  if (parsed.Flags.count("--literal")) {
    if (parsed.Flags.count("--coherent")) {
      std::cerr << "parvel-cli compare: --literal и --coherent несовместимы: точное сравнение не объединяет изменения\n";
      return 2;
    }
    options = kLiteralComparison;
  }
  options.CoherentBlocks = parsed.Flags.count("--coherent") > 0;
  double maxSeconds = 0;  // 0: no limit
  if (const auto it = parsed.Values.find("--max-seconds"); it != parsed.Values.end()) {
    char* end = nullptr;
    maxSeconds = std::strtod(it->second.c_str(), &end);
    if (end == it->second.c_str() || *end != '\0' || !(maxSeconds > 0)) {
      std::cerr << "parvel-cli compare: --max-seconds — это число секунд больше 0\n";
      return 2;
    }
  }
  const std::vector<std::string>& paths = parsed.Positional;
  if (paths.size() != 3) {
    std::cerr << "parvel-cli compare: нужны LEFT RIGHT OUTDIR; см. parvel-cli compare --help\n";
    return 2;
  }
  static const char* const kNames[] = {"LEFT (текст 1)", "RIGHT (текст 2)", "OUTDIR (папка для страниц)"};
  for (size_t i = 0; i < 3; ++i)
    if (paths[i].empty()) {
      std::cerr << "parvel-cli compare: не задано имя " << kNames[i] << "\n";
      return 2;
    }
  const std::string& leftPath = paths[0];
  const std::string& rightPath = paths[1];
  const fs::path outDir(paths[2]);
  const std::string c1 = (outDir / "c1.htm").string();
  const std::string c2 = (outDir / "c2.htm").string();
  // Refused before anything is read or made: the pages could not be written there anyway.
  if (std::error_code ec; fs::exists(outDir, ec) && !fs::is_directory(outDir, ec)) {
    std::cerr << "parvel-cli compare: Не могу записать страницы в " << outDir.string()
              << ": там не папка. Ничего не записано.\n";
    return 5;
  }
  std::string jsonPath;
  if (const auto it = parsed.Values.find("--json"); it != parsed.Values.end()) {
    jsonPath = it->second;
    if (jsonPath.empty()) {
      std::cerr << "parvel-cli compare: не задано имя файла --json\n";
      return 2;
    }
  }
  try {
    CheckOutputPath(c1);
    CheckOutputPath(c2);
    if (!jsonPath.empty()) {
      CheckOutputPath(jsonPath);
      if (SameOutputFile(jsonPath, c1) || SameOutputFile(jsonPath, c2)) {
        std::cerr << "parvel-cli compare: файл --json " << jsonPath << " совпадает с одной из страниц\n";
        return 2;
      }
    }
  } catch (const EOutputError& e) {
    std::cerr << "parvel-cli compare: " << e.what() << "\n";
    return WriteFailureCode(e);
  }

  std::string left, right;
  if (!ReadComparedTexts(leftPath, rightPath, left, right)) return 1;

  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (ec || !fs::is_directory(outDir)) {
    std::cerr << "parvel-cli compare: Не могу создать папку " << outDir.string() << ": "
              << (ec ? SystemErrorText(ec.value()) : std::string("там уже есть файл с таким именем")) << ".\n";
    return 1;
  }

  TDiff diff;
  bool timedOut = false;
  StopAfterSeconds(diff, maxSeconds, timedOut);
  const TComparisonModel model = BuildComparisonModel(std::move(left), std::move(right), diff, options);
  if (timedOut) {
    std::cerr << "parvel-cli compare: сравнение остановлено через " << maxSeconds
              << " с: тексты слишком различаются, чтобы сравнить их за это время; ничего не записано\n";
    return 3;
  }

  const TResultPages pages = BuildResultPages(model);
  // The list is written beside its target first and put in place only after the pages.
  std::string jsonTemp;
  try {
    if (!jsonPath.empty()) jsonTemp = WriteTempBeside(jsonPath, ChangesJson(model));
    WritePagePair(c1, pages.Left, c2, pages.Right);
    if (!jsonTemp.empty()) CommitTemp(jsonTemp, jsonPath);
  } catch (const std::exception& e) {
    if (!jsonTemp.empty()) DiscardTemp(jsonTemp);
    std::cerr << "parvel-cli compare: " << e.what() << "\n";
    return WriteFailureCode(e);
  }
  std::cout << pages.ChangeCount << "\n";
  return 0;
}

// parvel-cli changes OLD NEW: the change list, each change with its place in the law's
// structure and its kind.
#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "engine/ChangeList.h"
#include "engine/ChangeTable.h"
#include "engine/ChangesJson.h"
#include "engine/ComparisonModel.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "input/ViewTextFile.h"
#include "support/OutputFiles.h"

namespace {

constexpr const char* kChangesHelp = R"(Использование: parvel-cli changes OLD NEW [--format json|csv|md] [--out FILE]
                           [--numbering auto|punkt|chast|decimal] [--literal] [--max-seconds N]

Сравнивает две редакции, как команда "Сравнить", и выводит список изменений: для
каждого — где оно в структуре акта (адрес, как в изменяющем законе: «абз. 2 п. 3
ст. 142.9», «п. «а» ч. 2 ст. 105», «наименование гл. 8») и что изменено («дополнено
словами …», «слова … заменены словами …», «слова … исключены», «изложено в новой
редакции», «утратило силу», «дополнено пунктом …», «исключено», «перенесено»,
«изменён номер»). Изменения идут в порядке счётчика изменений, по одному на каждое.

--format json (по умолчанию): JSON команды compare --json, где у каждой стороны
  ("old", "new") есть также "address", "address_paragraph" (номер абзаца с 0, к
  которому относится адрес), "section", "chapter", "article", "part", "item",
  "subitem" (номера, как они написаны: "142.9", "а"; null, если такой единицы нет) и
  "paragraph_in_unit" (номер абзаца в наименьшей единице или null), у каждого
  изменения — "kind_text" (что изменено) и "where" (адрес, который показывает список),
  а в конце — "summary": числа строки итогов и её текст "text" («Статей изменено: 12,
  добавлено: 3, утратили силу: 1, перенесено: 2; слов исключено: 840, добавлено:
  1 312»; тысячи отделяются неразрывным пробелом).
--format csv: таблица в UTF-8 с заголовком №;Где;Что;Было;Стало, ячейки через «;»,
  кавычки по RFC 4180, строки заканчиваются CR LF.
--format md: строка итогов и таблица Markdown; изменённые слова выделены жирным.

Как называются «1.» и «1)» внутри статьи, определяется по заголовку документа
(Налоговый, Бюджетный, Гражданский, Семейный кодекс: пункт и подпункт; Уголовный
и другие кодексы, Конституция, законы: часть и пункт; договоры и положения с
нумерацией «1.», «1.1.», «1.1.1.»: раздел, пункт, подпункт), а без заголовка — по
тому, как текст ссылается на свои части. --numbering задаёт это явно: punkt
(пункт/подпункт), chast (часть/пункт), decimal (раздел/пункт/подпункт).

--out FILE (или --out=FILE) записывает список в FILE (файл заменяется целиком)
вместо стандартного вывода. --literal и --max-seconds N — как у compare.

Коды завершения:
  0  список выведен или записан
  1  текст пуст ("Текст 1 пуст" / "Текст 2 пуст"), файл не читается, FILE не
     удаётся записать
  2  неверные аргументы
  3  остановлено по --max-seconds (ничего не записано)
  5  на месте FILE стоит не обычный файл (ничего не записано)
)";

}  // namespace

int RunChangesCommand(const CliArgs& args) {
  TCommandArgs parsed;
  if (!ParseCommandArgs(args, {"--format", "--out", "--numbering", "--max-seconds"}, "changes", parsed, {"--literal"}))
    return 2;
  if (parsed.Help) {
    std::cout << kChangesHelp;
    return 0;
  }
  const std::vector<std::string>& paths = parsed.Positional;
  if (paths.size() != 2 || paths[0].empty() || paths[1].empty()) {
    std::cerr << "parvel-cli changes: нужны OLD и NEW; см. parvel-cli changes --help\n";
    return 2;
  }
  std::string format = "json";
  if (const auto it = parsed.Values.find("--format"); it != parsed.Values.end()) format = it->second;
  if (format != "json" && format != "csv" && format != "md") {
    std::cerr << "parvel-cli changes: --format — это json, csv или md\n";
    return 2;
  }
  TNumbering numbering = TNumbering::Auto;
  if (const auto it = parsed.Values.find("--numbering"); it != parsed.Values.end()) {
    const std::string& v = it->second;
    if (v == "punkt") numbering = TNumbering::PunktPodpunkt;
    else if (v == "chast") numbering = TNumbering::ChastPunkt;
    else if (v == "decimal") numbering = TNumbering::Decimal;
    else if (v != "auto") {
      std::cerr << "parvel-cli changes: --numbering — это auto, punkt, chast или decimal\n";
      return 2;
    }
  }
  double maxSeconds = 0;
  if (const auto it = parsed.Values.find("--max-seconds"); it != parsed.Values.end()) {
    char* end = nullptr;
    maxSeconds = std::strtod(it->second.c_str(), &end);
    if (end == it->second.c_str() || *end != '\0' || !(maxSeconds > 0)) {
      std::cerr << "parvel-cli changes: --max-seconds — это число секунд больше 0\n";
      return 2;
    }
  }
  std::string outPath;
  const bool toFile = parsed.Values.count("--out") > 0;
  if (toFile) {
    outPath = parsed.Values.at("--out");
    if (outPath.empty()) {
      std::cerr << "parvel-cli changes: не задано имя файла --out\n";
      return 2;
    }
    try {
      CheckOutputPath(outPath);  // refused before the comparison: it could not be written anyway
    } catch (const EOutputError& e) {
      std::cerr << "parvel-cli changes: " << e.what() << "\n";
      return e.Kind == TOutputFailure::ofNotRegular ? 5 : 1;
    }
  }

  std::string left, right;
  if (!ReadComparedTexts(paths[0], paths[1], left, right)) return 1;
  TDiff diff;
  bool timedOut = false;
  StopAfterSeconds(diff, maxSeconds, timedOut);
  const TComparisonOptions options = parsed.Flags.count("--literal") ? kLiteralComparison : kDefaultComparisonOptions;
  const TComparisonModel model = BuildComparisonModel(std::move(left), std::move(right), diff, options);
  if (timedOut) {
    std::cerr << "parvel-cli changes: сравнение остановлено через " << maxSeconds
              << " с: тексты слишком различаются, чтобы сравнить их за это время; ничего не записано\n";
    return 3;
  }
  const TChangeList list = BuildChangeList(model, numbering);
  const std::string text = format == "csv" ? ChangeListCsv(list)
                           : format == "md" ? ChangeListMarkdown(list)
                                            : ChangesJson(model, &list);
  if (!toFile) {
    std::cout << text;
    std::cout.flush();
    return std::cout ? 0 : 1;
  }
  try {
    WriteFileReplacing(outPath, text);
  } catch (const EOutputError& e) {
    std::cerr << "parvel-cli changes: " << e.what() << "\n";
    return e.Kind == TOutputFailure::ofNotRegular ? 5 : 1;
  }
  return 0;
}

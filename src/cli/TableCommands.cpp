// parvel-cli table OLD NEW OUT and parvel-cli redline OLD NEW OUT: the documents handed on,
// the comparison table and the new edition with tracked changes.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <utility>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "documents/ComparisonTable.h"
#include "documents/HandOnExport.h"
#include "documents/TrackedEdition.h"
#include "engine/ChangeList.h"
#include "engine/ComparisonModel.h"
#include "engine/Diff.h"
#include "input/OfficeProcess.h"
#include "support/OutputFiles.h"

namespace {

constexpr const char* kTableHelp = R"(Использование: parvel-cli table OLD NEW OUT.{docx,odt,pdf,htm} [--column1 ТЕКСТ] [--column2 ТЕКСТ]
                           [--numbering auto|punkt|chast|decimal] [--literal] [--max-seconds N]

Сравнивает две редакции, как команда "Сравнить", и записывает сравнительную
таблицу: заголовок (названия обоих документов и дата сравнения), строку итогов
и таблицу в две колонки «Редакция 1» | «Редакция 2». В таблице одна строка на
каждую изменённую единицу структуры (абзац, часть, пункт) с её адресом над
текстом: слева прежний текст, исключённые слова зачёркнуты и выделены жирным,
справа новый текст, новые слова выделены жирным; пропущенные неизменённые
единицы отмечены строкой «…».

Формат файла определяется по расширению OUT: .docx (Word), .odt (OpenDocument),
.pdf или .htm/.html (страница HTML); .fodt — плоский документ OpenDocument,
из которого LibreOffice делает остальные. Документы Word, OpenDocument и PDF пишет
LibreOffice (нужен установленный LibreOffice Writer; программу можно указать в
переменной PARVEL_SOFFICE). Файл OUT заменяется целиком; при ошибке он не меняется.

--column1 ТЕКСТ, --column2 ТЕКСТ  заголовки колонок вместо «Редакция 1» и
  «Редакция 2» (например, «Действующая редакция», «Предлагаемая редакция»).
--numbering, --literal и --max-seconds N — как у changes.

Выводит число строк таблицы и путь к файлу.

Коды завершения:
  0  таблица записана
  1  текст пуст, файл не читается, OUT не удаётся записать
  2  неверные аргументы (в том числе неизвестное расширение OUT)
  3  остановлено по --max-seconds (ничего не записано)
  4  LibreOffice не найден, не смог записать файл или не успел за отведённое время
     (ничего не записано)
  5  на месте OUT стоит не обычный файл (ничего не записано)
)";

constexpr const char* kRedlineHelp = R"(Использование: parvel-cli redline OLD NEW OUT.{docx,odt,pdf} [--literal] [--max-seconds N]

Сравнивает две редакции, как команда "Сравнить", и записывает новую редакцию, в
которой каждое отличие от прежней — записанное исправление (вставка или
удаление, автор «Parvel», дата сравнения): принятие всех исправлений даёт новый
текст, отклонение всех — прежний.

Формат файла определяется по расширению OUT: .docx (Word), .odt (OpenDocument)
или .pdf (.fodt — плоский документ OpenDocument, из которого LibreOffice делает
остальные). Файл пишет LibreOffice (нужен установленный LibreOffice Writer;
программу можно указать в переменной PARVEL_SOFFICE). Файл OUT заменяется
целиком; при ошибке он не меняется. --literal и --max-seconds N — как у changes.

Выводит число изменений и путь к файлу.

Коды завершения:
  0  документ записан
  1  текст пуст, файл не читается, OUT не удаётся записать
  2  неверные аргументы (в том числе неизвестное расширение OUT)
  3  остановлено по --max-seconds (ничего не записано)
  4  LibreOffice не найден, не смог записать файл или не успел за отведённое время
     (ничего не записано)
  5  на месте OUT стоит не обычный файл (ничего не записано)
)";

std::string LocalTime(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char text[32];
  return std::strftime(text, sizeof text, format, &local) ? text : "";
}

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// What the two commands share: the arguments, the comparison and the writing.
class THandOnCommand {
 public:
  THandOnCommand(const char* name, const char* help, bool table) : name_(name), help_(help), table_(table) {}

  // -1 to go on, else the exit code.
  int Parse(const CliArgs& args) {
    std::vector<std::string> values = {"--max-seconds"};
    if (table_) values.insert(values.end(), {"--column1", "--column2", "--numbering"});
    if (!ParseCommandArgs(args, values, name_, parsed_, {"--literal"})) return 2;
    if (parsed_.Help) {
      std::cout << help_;
      return 0;
    }
    const std::vector<std::string>& paths = parsed_.Positional;
    if (paths.size() != 3 || paths[0].empty() || paths[1].empty() || paths[2].empty()) {
      std::cerr << "parvel-cli " << name_ << ": нужны OLD, NEW и OUT; см. parvel-cli " << name_ << " --help\n";
      return 2;
    }
    THandOnFormat format;
    if (!HandOnFormatOf(paths[2], format) || (!table_ && format == THandOnFormat::Htm)) {
      std::cerr << "parvel-cli " << name_ << ": OUT должен оканчиваться на "
                << (table_ ? ".docx, .odt, .pdf или .htm" : ".docx, .odt или .pdf") << "\n";
      return 2;
    }
    if (const auto it = parsed_.Values.find("--numbering"); it != parsed_.Values.end()) {
      const std::string& v = it->second;
      if (v == "punkt") numbering_ = TNumbering::PunktPodpunkt;
      else if (v == "chast") numbering_ = TNumbering::ChastPunkt;
      else if (v == "decimal") numbering_ = TNumbering::Decimal;
      else if (v != "auto") {
        std::cerr << "parvel-cli " << name_ << ": --numbering — это auto, punkt, chast или decimal\n";
        return 2;
      }
    }
    if (const auto it = parsed_.Values.find("--max-seconds"); it != parsed_.Values.end()) {
      char* end = nullptr;
      maxSeconds_ = std::strtod(it->second.c_str(), &end);
      if (end == it->second.c_str() || *end != '\0' || !(maxSeconds_ > 0)) {
        std::cerr << "parvel-cli " << name_ << ": --max-seconds — это число секунд больше 0\n";
        return 2;
      }
    }
    for (const char* column : {"--column1", "--column2"})
      if (const auto it = parsed_.Values.find(column); it != parsed_.Values.end() && it->second.empty()) {
        std::cerr << "parvel-cli " << name_ << ": заголовок " << column << " пуст\n";
        return 2;
      }
    try {
      CheckOutputPath(Out());  // refused before the comparison: it could not be written anyway
    } catch (const EOutputError& e) {
      return OutputFailure(e);
    }
    if (format != THandOnFormat::Htm && format != THandOnFormat::Fodt && input::FindSoffice().empty()) {
      std::cerr << "parvel-cli " << name_ << ": " << input::NoOfficeMessage(input::TOfficeTask::Write) << "\n";
      return 4;
    }
    return -1;
  }

  // -1 to go on, else the exit code.
  int Compare() {
    std::string left, right;
    if (!ReadComparedTexts(parsed_.Positional[0], parsed_.Positional[1], left, right)) return 1;
    TDiff diff;
    bool timedOut = false;
    StopAfterSeconds(diff, maxSeconds_, timedOut);
    const TComparisonOptions options =
        parsed_.Flags.count("--literal") ? kLiteralComparison : kDefaultComparisonOptions;
    model_ = BuildComparisonModel(std::move(left), std::move(right), diff, options);
    if (timedOut) {
      std::cerr << "parvel-cli " << name_ << ": сравнение остановлено через " << maxSeconds_
                << " с: тексты слишком различаются, чтобы сравнить их за это время; ничего не записано\n";
      return 3;
    }
    return -1;
  }

  int WriteTable() {
    const TChangeList list = BuildChangeList(model_, numbering_);
    TTableTitles titles;
    titles.Name1 = FileName(parsed_.Positional[0]);
    titles.Name2 = FileName(parsed_.Positional[1]);
    if (const auto it = parsed_.Values.find("--column1"); it != parsed_.Values.end()) titles.Column1 = it->second;
    if (const auto it = parsed_.Values.find("--column2"); it != parsed_.Values.end()) titles.Column2 = it->second;
    titles.Date = LocalTime("%d.%m.%Y");
    const TComparisonTable table = BuildComparisonTable(model_, list, titles);
    int rows = 0;
    for (const TTableRow& row : table.Rows) rows += row.Gap ? 0 : 1;
    return Written([&] { WriteComparisonTable(table, Out(), {}); }, "Строк в таблице: " + std::to_string(rows));
  }

  int WriteRedline() {
    const TTrackedEdition edition = BuildTrackedEdition(model_, LocalTime("%Y-%m-%dT%H:%M:%S"));
    return Written([&] { WriteTrackedEdition(edition, Out(), {}); },
                   "Изменений: " + std::to_string(model_.ChangeCount));
  }

 private:
  const std::string& Out() const { return parsed_.Positional[2]; }

  int OutputFailure(const EOutputError& e) const {
    std::cerr << "parvel-cli " << name_ << ": " << e.what() << "\n";
    return e.Kind == TOutputFailure::ofNotRegular ? 5 : 1;
  }

  template <class TWrite>
  int Written(const TWrite& write, const std::string& count) {
    try {
      write();
    } catch (const EOutputError& e) {
      return OutputFailure(e);
    } catch (const EHandOnError& e) {
      std::cerr << "parvel-cli " << name_ << ": " << e.what() << "\n";
      return e.Kind == EHandOnError::hoFormat ? 2 : 4;
    }
    std::cout << count << "; записано в " << Out() << "\n";
    std::cout.flush();
    return std::cout ? 0 : 1;
  }

  const char* name_;
  const char* help_;
  bool table_;
  TCommandArgs parsed_;
  TNumbering numbering_ = TNumbering::Auto;
  double maxSeconds_ = 0;
  TComparisonModel model_;
};

}  // namespace

int RunTableCommand(const CliArgs& args) {
  THandOnCommand command("table", kTableHelp, true);
  if (const int code = command.Parse(args); code >= 0) return code;
  if (const int code = command.Compare(); code >= 0) return code;
  return command.WriteTable();
}

int RunRedlineCommand(const CliArgs& args) {
  THandOnCommand command("redline", kRedlineHelp, false);
  if (const int code = command.Parse(args); code >= 0) return code;
  if (const int code = command.Compare(); code >= 0) return code;
  return command.WriteRedline();
}

#include "output/BatchPrint.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "appbase/ComparisonSettings.h"
#include "appbase/Workspace.h"
#include "engine/ComparisonModel.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "input/ViewTextFile.h"
#include "output/PdfPrintEngine.h"
#include "output/Printing.h"
#include "support/OutputFiles.h"
#include "view/HtmlView.h"

namespace {

constexpr const char* kUsage =
    "Использование: parvel --print-pdf [--literal] LEFT.pdf RIGHT.pdf OLD NEW\n"
    "Сравнивает OLD с NEW (файлы читаются так же, как их читает parvel-cli compare) и печатает\n"
    "старый текст с отметками в LEFT.pdf, а новый — в RIGHT.pdf, с параметрами страницы и\n"
    "колонтитулом команды печати. Оба файла заменяются парой: в любой момент на месте лежит\n"
    "целая старая или целая новая пара.\n"
    "Изменения отмечаются так, как их показывает окно с сохранёнными настройками «Точное\n"
    "сравнение по словам» и «Связные изменения»; --literal печатает точное сравнение по\n"
    "словам, что бы ни было сохранено.\n"
    "Коды завершения: 0 оба PDF записаны; 1 текст пуст, файл не читается, страница не\n"
    "печатается или PDF не удаётся записать (тогда не остаётся ни половины файла, ни одного\n"
    "файла без пары); 2 неверные аргументы (в том числе пустое имя или LEFT.pdf и RIGHT.pdf —\n"
    "один файл); 5 на месте LEFT.pdf или RIGHT.pdf стоит не обычный файл (папка, устройство,\n"
    "канал, сокет или ссылка на них; ничего не записано).\n";

// A page loads within this time or the print fails.
constexpr int kLoadTimeoutMs = 120000;

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

QByteArray PrintPage(const std::string& pagePath, const TPageSetupValues& values, const QPageLayout& layout) {
  std::unique_ptr<THtmlView> view(CreateHtmlView(nullptr));
  view->Navigate(pagePath);
  if (!view->WaitReady(kLoadTimeoutMs)) throw std::runtime_error("Не удалось загрузить страницу " + pagePath + ".");
  return PrintDocumentToPdf(*view, values, layout);
}

}  // namespace

bool IsPrintPdfCommand(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--print-pdf") != 0) return false;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  return true;
}

int RunPrintPdfCommand(const QStringList& arguments) {
  QStringList args = arguments.mid(2);
  const bool literal = args.removeAll(QStringLiteral("--literal")) > 0;
  if (args.size() != 4) {
    std::cerr << "parvel: для --print-pdf нужны LEFT.pdf RIGHT.pdf OLD NEW\n" << kUsage;
    return 2;
  }
  static const char* const kNames[] = {"LEFT.pdf", "RIGHT.pdf", "OLD", "NEW"};
  for (int i = 0; i < 4; ++i)
    if (args[i].isEmpty()) {
      std::cerr << "parvel: --print-pdf: не задано имя файла " << kNames[i] << "\n";
      return 2;
    }
  const std::string leftPdf = Native(args[0]), rightPdf = Native(args[1]);
  // Refused before the long work: the prints could not be written there anyway.
  try {
    CheckOutputPath(leftPdf);
    CheckOutputPath(rightPdf);
  } catch (const EOutputError& e) {
    std::cerr << "parvel: " << e.what() << "\n";
    return 5;
  }
  if (SameOutputFile(leftPdf, rightPdf)) {
    std::cerr << "parvel: --print-pdf: " << leftPdf << " и " << rightPdf
              << " — один и тот же файл; укажите для двух текстов два разных файла.\n";
    return 2;
  }
  try {
    std::string oldText = ReadViewTextFile(Native(args[2]));
    std::string newText = ReadViewTextFile(Native(args[3]));
    if (oldText.empty()) throw std::runtime_error("Текст 1 пуст");
    if (newText.empty()) throw std::runtime_error("Текст 2 пуст");
    TDiff diff;
    const TResultPages pages =
        BuildResultPages(BuildComparisonModel(std::move(oldText), std::move(newText), diff,
                                                 literal ? kLiteralComparison : SavedComparisonOptions()));

    // The pages are shown from a folder of their own with the style files beside them.
    QTemporaryDir work;
    if (!work.isValid()) throw std::runtime_error("Не могу создать временную папку для страниц.");
    QString folder = work.path();
    EnsureBackslash(folder);
    UnpackStyleFiles(DataDirFor(ExecutableDir()), folder);
    const std::string c1 = Native(folder + "c1.htm"), c2 = Native(folder + "c2.htm");
    WritePageFile(c1, pages.Left);
    WritePageFile(c2, pages.Right);

    WritePageSetup("", PrintFooter());
    const TPageSetupValues values = ReadPageSetup(ProgramPageSetup());
    const QPageLayout layout = PageLayoutFor(values);
    const QByteArray leftBytes = PrintPage(c1, values, layout);
    const QByteArray rightBytes = PrintPage(c2, values, layout);
    auto bytes = [](const QByteArray& b) { return std::string_view(b.constData(), static_cast<size_t>(b.size())); };
    WriteFilePair(leftPdf, bytes(leftBytes), rightPdf, bytes(rightBytes));
    std::cout << pages.ChangeCount << "\n";
    return 0;
  } catch (const EOutputError& e) {
    std::cerr << "parvel: " << e.what() << "\n";
    return e.Kind == TOutputFailure::ofNotRegular ? 5 : e.Kind == TOutputFailure::ofSameFile ? 2 : 1;
  } catch (const std::exception& e) {
    std::cerr << "parvel: " << e.what() << "\n";
    return 1;
  }
}

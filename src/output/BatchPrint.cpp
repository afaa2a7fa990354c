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

#include "appbase/Workspace.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "input/ViewTextFile.h"
#include "output/PdfPrintEngine.h"
#include "output/Printing.h"
#include "view/HtmlView.h"

namespace {

constexpr const char* kUsage =
    "Usage: parvel --print-pdf LEFT.pdf RIGHT.pdf OLD NEW\n"
    "Compares OLD with NEW (files of Windows-1251 HTML, as parvel-cli compare reads them) and\n"
    "prints the marked old text to LEFT.pdf and the marked new text to RIGHT.pdf, with the\n"
    "page setup and footer of the print command. Both files are replaced together.\n";

// A page loads within this time or the print fails.
constexpr int kLoadTimeoutMs = 120000;

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

QByteArray PrintPage(const std::string& pagePath, const TPageSetupValues& values, const QPageLayout& layout) {
  std::unique_ptr<THtmlView> view(CreateHtmlView(nullptr));
  view->Navigate(pagePath);
  if (!view->WaitReady(kLoadTimeoutMs)) throw std::runtime_error("cannot load " + pagePath);
  return PrintDocumentToPdf(*view, values, layout);
}

void WriteBoth(const std::string& left, const QByteArray& leftPdf, const std::string& right,
               const QByteArray& rightPdf) {
  auto bytes = [](const QByteArray& b) { return std::string_view(b.constData(), static_cast<size_t>(b.size())); };
  const std::string temp1 = WriteTempBeside(left, bytes(leftPdf));
  std::string temp2;
  try {
    temp2 = WriteTempBeside(right, bytes(rightPdf));
    CommitTemp(temp1, left);
  } catch (...) {
    DiscardTemp(temp1);
    if (!temp2.empty()) DiscardTemp(temp2);
    throw;
  }
  try {
    CommitTemp(temp2, right);
  } catch (const std::exception& e) {
    std::remove(left.c_str());  // a new left print beside an old right one would be a mismatched pair
    throw std::runtime_error(std::string(e.what()) + " (" + left + " removed)");
  }
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
  const QStringList args = arguments.mid(2);
  if (args.size() != 4) {
    std::cerr << "parvel: --print-pdf needs LEFT.pdf RIGHT.pdf OLD NEW\n" << kUsage;
    return 2;
  }
  try {
    std::string oldText = ReadViewTextFile(Native(args[2]));
    std::string newText = ReadViewTextFile(Native(args[3]));
    if (oldText.empty()) throw std::runtime_error("Текст 1 пуст");
    if (newText.empty()) throw std::runtime_error("Текст 2 пуст");
    TDiff diff;
    const TResultPages pages = BuildResultPages(std::move(oldText), std::move(newText), diff);

    // The pages are shown from a folder of their own with the style files beside them.
    QTemporaryDir work;
    if (!work.isValid()) throw std::runtime_error("cannot create a temporary folder");
    QString folder = work.path();
    EnsureBackslash(folder);
    UnpackStyleFiles(DataDirFor(ExecutableDir()), folder);
    const std::string c1 = Native(folder + "c1.htm"), c2 = Native(folder + "c2.htm");
    WritePageFile(c1, pages.Left);
    WritePageFile(c2, pages.Right);

    WritePageSetup("", PrintFooter());
    const TPageSetupValues values = ReadPageSetup(ProgramPageSetup());
    const QPageLayout layout = PageLayoutFor(values);
    const QByteArray leftPdf = PrintPage(c1, values, layout);
    const QByteArray rightPdf = PrintPage(c2, values, layout);
    WriteBoth(Native(args[0]), leftPdf, Native(args[1]), rightPdf);
    std::cout << pages.ChangeCount << "\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "parvel: " << e.what() << "\n";
    return 1;
  }
}

// Time from the copy command to the text at the end of a new Writer document, for result pages
// of the corpus, against the office opening the same page file itself (measured in the same run,
// on the same office). Run under a display: bench/office_copy.sh.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/AppStartup.h"
#include "output/office/CopyToApp.h"
#include "output/office/LibreOfficeApp.h"
#include "view/HtmlView.h"

namespace {

struct THost : ICopyToAppHost {
  THtmlView* View = nullptr;
  THtmlView* CopySourceView() override { return View; }
  void ClearHostHighlights() override {}
  QWidget* DialogOwner() override { return nullptr; }
  void ShowWarning(const QString& t) override { std::fprintf(stderr, "warning: %s\n", qPrintable(t)); }
  void ShowErrorMessage(const QString& t) override { std::fprintf(stderr, "error: %s\n", qPrintable(t)); }
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void CloseAll(TLibreOfficeApp& app) {
  for (const auto& d : app.Documents())
    app.Call(QString(R"({"op":"close","key":"%1"})").arg(QString::fromStdString(d.Key)).toUtf8(), 60000);
}

}  // namespace

// office_copy PAGE... (result pages written by "parvel-cli compare")
int main(int argc, char** argv) {
  PrepareApplication();
  QApplication a(argc, argv);
  InitApplication();
  QTemporaryDir dir;
  TLibreOfficeOptions options;
  options.Pipe = QString("parvel_bench_%1").arg(QCoreApplication::applicationPid());
  options.Profile = QUrl::fromLocalFile(dir.path() + "/profile").toString();
  options.Helper = QCoreApplication::applicationDirPath() + "/office/parvel_office.py";
  options.PasteTimeoutMs = 600000;

  QWidget window;
  window.resize(1000, 700);
  THtmlView* view = CreateHtmlView(&window);
  view->resize(1000, 700);
  window.show();
  THost host;
  host.View = view;
  TCopyToAppSrv srv(host, LibreOfficeFactory(options));
  TLibreOfficeApp probe(taWord, options);  // starts the office before anything is timed
  const int runs = 3;

  std::printf("%-22s %6s %14s %12s %14s %16s %7s\n", "page", "KB", "clipboard KB", "copy phase",
              "copy to Writer", "office opens it", "ratio");
  for (int i = 1; i < argc; ++i) {
    QString page = QFileInfo(argv[i]).absoluteFilePath();
    view->Navigate(page.toStdString());
    view->WaitReady(120000);
    std::vector<double> copy, open, phase;
    for (int r = 0; r < runs; ++r) {
      CloseAll(probe);
      QElapsedTimer t;
      t.start();
      view->ExecWB(vcSelectAll, voDontPromptUser);  // the copy phase alone
      view->CopySelectionToClipboard(60000);
      PrepareClipboardForOffice();
      view->ExecWB(vcClearSelection, voDontPromptUser);
      phase.push_back(t.elapsed());
      t.restart();
      srv.acTextCopyToWordExecute();  // no document open: a new one, no dialog
      copy.push_back(t.elapsed());
      CloseAll(probe);
      t.restart();
      probe.Call(QJsonDocument(QJsonObject{{"op", "open"}, {"path", page}}).toJson(QJsonDocument::Compact), 600000);
      open.push_back(t.elapsed());
    }
    double c = Median(copy), o = Median(open);
    long long clip = QGuiApplication::clipboard()->mimeData()->html().toUtf8().size() / 1024;
    std::printf("%-22s %6lld %14lld %9.0f ms %11.0f ms %13.0f ms %6.1fx\n",
                qPrintable(QFileInfo(page).dir().dirName()), static_cast<long long>(QFileInfo(page).size() / 1024),
                clip, Median(phase), c, o, c / o);
    std::fflush(stdout);
  }
  CloseAll(probe);
  probe.Call(R"({"op":"terminate"})", 60000);
  return 0;
}

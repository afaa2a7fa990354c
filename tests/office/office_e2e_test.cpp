// The copy commands against a real LibreOffice: an office of the test's own (own profile, own
// pipe) on the test's X display, fed from a real view through the real clipboard. The
// documents are read back through the helper's inspection request.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <iostream>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

#include "app/AppStartup.h"
#include "output/office/CopyToApp.h"
#include "output/office/LibreOfficeApp.h"
#include "output/office/WordDocsForm.h"
#include "support/Cp1251.h"
#include "view/HtmlView.h"

namespace {

struct TRecordingHost : ICopyToAppHost {
  THtmlView* View = nullptr;
  QWidget* Owner = nullptr;
  std::vector<QString> Warnings, Errors;
  int Clears = 0;
  THtmlView* CopySourceView() override { return View; }
  void ClearHostHighlights() override { ++Clears; }
  QWidget* DialogOwner() override { return Owner; }
  void ShowWarning(const QString& t) override { Warnings.push_back(t); }
  void ShowErrorMessage(const QString& t) override { Errors.push_back(t); }
};

// A result page: a deletion struck through on pink, an insertion on green, and a link.
const char* kPage =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
    "<style>acronym { border: 0; text-decoration: inherit; }</style></head>"
    "<body><p>Статья 5. Налог <acronym id=\"t_d\" style=\"background-color:#ffcccc; text-decoration: "
    "line-through\">уплачивается</acronym> <acronym id=\"t_d\" style=\"background-color:#ccffcc\">"
    "вносится</acronym> ежегодно. См. <a href=\"http://example.com/\">сайт</a>.</p></body></html>";

class OfficeE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (FindOfficePython().isEmpty() || QStandardPaths::findExecutable("soffice").isEmpty()) return;
    dir_ = new QTemporaryDir();
    options_.Pipe = QString("parvel_e2e_%1").arg(QCoreApplication::applicationPid());
    options_.Profile = QUrl::fromLocalFile(dir_->path() + "/profile").toString();
    options_.Helper = QString(PARVEL_BIN_DIR) + "/office/parvel_office.py";
    window_ = new QWidget();
    window_->resize(800, 400);
    view_ = CreateHtmlView(window_);
    view_->resize(800, 400);
    window_->show();
    QFile f(dir_->path() + "/page.htm");
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray::fromStdString(cp1251::FromUtf8(kPage)));
    f.close();
    view_->Navigate(f.fileName().toStdString());
    view_->WaitReady(30000);
  }
  static void TearDownTestSuite() {
    if (!dir_) return;
    try {  // the test's own office ends with the tests
      TLibreOfficeApp(taWord, options_).Call(R"({"op":"terminate"})", 20000);
    } catch (const EOfficeError&) {
    }
    delete window_;
    delete dir_;
  }
  void SetUp() override {
    if (!dir_) GTEST_SKIP() << "LibreOffice or its Python binding (python3-uno) is not installed";
    host_.View = view_;
    host_.Owner = window_;
    srv_ = std::make_unique<TCopyToAppSrv>(host_, LibreOfficeFactory(options_));
    srv_->ShowDialog = [](TWordDocsForm&) -> bool {
      ADD_FAILURE() << "no dialog expected";
      return false;
    };
  }

  static QJsonObject Ask(IOfficeApp* app, const QString& requestJson) {
    QByteArray r = static_cast<TLibreOfficeApp*>(app)->Call(requestJson.toUtf8(), 30000);
    return QJsonDocument::fromJson(r).object();
  }
  static QJsonObject Inspect(IOfficeApp* app, const std::string& key) {
    return Ask(app, QString(R"({"op":"inspect","key":"%1"})").arg(QString::fromStdString(key)));
  }
  static void CloseAll(IOfficeApp* app) {
    for (const auto& d : app->Documents())
      static_cast<TLibreOfficeApp*>(app)->Call(
          QString(R"({"op":"close","key":"%1"})").arg(QString::fromStdString(d.Key)).toUtf8(), 30000);
  }

  static inline QTemporaryDir* dir_ = nullptr;
  static inline TLibreOfficeOptions options_;
  static inline QWidget* window_ = nullptr;
  static inline THtmlView* view_ = nullptr;
  TRecordingHost host_;
  std::unique_ptr<TCopyToAppSrv> srv_;
};

TEST_F(OfficeE2E, WriterAppendsTheMarkedPageWithoutDialogThenOffersTheOpenDocuments) {
  QElapsedTimer t;
  t.start();
  srv_->acTextCopyToWordExecute();  // no document open: a new one, no dialog
  qint64 ms = t.elapsed();
  ASSERT_TRUE(host_.Warnings.empty() && host_.Errors.empty());
  EXPECT_EQ(host_.Clears, 1);
  ASSERT_TRUE(srv_->WordApp);
  auto docs = srv_->WordApp->Documents();
  ASSERT_EQ(docs.size(), 1u);
  QJsonObject doc = Inspect(srv_->WordApp.get(), docs[0].Key);
  std::cout << "command to text in a new Writer document (office started by the command): " << ms << " ms\n";
  EXPECT_TRUE(doc["text"].toString().replace(QChar(0xA0), ' ').contains(QStringLiteral("Статья 5. Налог уплачивается вносится ежегодно. См. сайт.")))
      << doc["text"].toString().toStdString();
  EXPECT_TRUE(doc["struck"].toVariant().toStringList().contains(QStringLiteral("уплачивается")));
  EXPECT_GE(doc["backgrounds"].toInt(), 2);  // pink and green survive the paste
  EXPECT_TRUE(doc["underlined"].toArray().isEmpty()) << "nothing the view shows plain is underlined";
  EXPECT_EQ(doc["links"].toInt(), 0);        // the link is plain text now
  EXPECT_TRUE(doc["coloured"].toArray().isEmpty());
  EXPECT_TRUE(doc["cursor_at_end"].toBool());
  EXPECT_TRUE(doc["visible"].toBool());
  EXPECT_EQ(view_->SelectionText(), "");  // the whole page was copied, no selection is left

  // Two documents open: both listed, the first preselected; "&Новый" makes a third.
  srv_->WordApp->CreateDocument();
  std::string created;
  srv_->ShowDialog = [&](TWordDocsForm& f) {
    f.show();
    EXPECT_EQ(f.lbDocs->count(), 2);
    EXPECT_EQ(f.lbDocs->currentRow(), 0);
    f.bCreate->click();
    created = f.FResult;
    return f.result() == QDialog::Accepted;
  };
  srv_->acTextCopyToWordExecute();
  ASSERT_FALSE(created.empty());
  EXPECT_EQ(srv_->WordApp->DocumentCount(), 3);
  EXPECT_TRUE(Inspect(srv_->WordApp.get(), created)["text"].toString().contains(QStringLiteral("ежегодно")));
  CloseAll(srv_->WordApp.get());
}

TEST_F(OfficeE2E, WriterAcceptsTrackedChangesOfThePasteAndKeepsTheDocumentsOwnText) {
  auto app = LibreOfficeFactory(options_)(taWord);
  std::string key = app->CreateDocument();
  Ask(app.get(), QString(R"({"op":"insert_link","key":"%1","text":"Вводная ","url":"http://a.example/"})")
                     .arg(QString::fromStdString(key)));
  srv_->WordApp = std::move(app);
  Ask(srv_->WordApp.get(), QString(R"({"op":"record_changes","key":"%1","on":true})").arg(QString::fromStdString(key)));
  srv_->ShowDialog = [](TWordDocsForm& f) { f.show(); f.bOk->click(); return true; };
  QElapsedTimer t;
  t.start();
  srv_->acTextCopyToWordExecute();
  std::cout << "command to text at the end of an open Writer document (dialog answered at once): "
            << t.elapsed() << " ms\n";
  QJsonObject doc = Inspect(srv_->WordApp.get(), key);
  EXPECT_TRUE(doc["text"].toString().startsWith(QStringLiteral("Вводная \nСтатья 5."))) << doc["text"].toString().toStdString();
  EXPECT_EQ(doc["redlines"].toInt(), 0) << "the document itself had no tracked change before";
  EXPECT_EQ(doc["links"].toInt(), 1) << "only the document's own link stays";
  EXPECT_TRUE(doc["cursor_at_end"].toBool());
  CloseAll(srv_->WordApp.get());
}

TEST_F(OfficeE2E, CalcGetsANewOneSheetWorkbookThenListsPathAndFirstSheet) {
  srv_->acTextCopyToExcelExecute();
  ASSERT_TRUE(host_.Warnings.empty());
  ASSERT_TRUE(srv_->ExcelApp);
  auto books = srv_->ExcelApp->Documents();
  ASSERT_EQ(books.size(), 1u);
  QJsonObject book = Inspect(srv_->ExcelApp.get(), books[0].Key);
  EXPECT_EQ(book["sheets"].toInt(), 1);
  EXPECT_TRUE(book["cells"].toVariant().toStringList().join("|").contains(QStringLiteral("уплачивается")));
  EXPECT_EQ(book["links"].toInt(), 0);
  EXPECT_TRUE(book["struck"].toVariant().toStringList().contains(QStringLiteral("уплачивается")));

  QString path = dir_->path() + "/книга.ods";
  Ask(srv_->ExcelApp.get(), QString(R"({"op":"save_as","key":"%1","path":"%2"})")
                                .arg(QString::fromStdString(books[0].Key), path));
  QStringList entries;
  srv_->ShowDialog = [&](TWordDocsForm& f) {
    f.show();
    for (int i = 0; i < f.lbDocs->count(); ++i) entries << f.lbDocs->item(i)->text();
    f.bOk->click();
    return true;
  };
  srv_->acTextCopyToExcelExecute();
  ASSERT_EQ(entries.size(), 1);
  EXPECT_TRUE(entries[0].endsWith(QStringLiteral("книга.ods [") + books[0].FirstSheet + "]")) << entries[0].toStdString();
  EXPECT_TRUE(entries[0].startsWith("/"));
  EXPECT_EQ(Inspect(srv_->ExcelApp.get(), books[0].Key)["links"].toInt(), 0);
  CloseAll(srv_->ExcelApp.get());
}

TEST_F(OfficeE2E, AnOfficeClosedBetweenTwoCopiesIsStartedAgainSilently) {
  srv_->acTextCopyToWordExecute();
  ASSERT_TRUE(srv_->WordApp);
  Ask(srv_->WordApp.get(), R"({"op":"terminate"})");
  QApplication::processEvents(QEventLoop::AllEvents, 2000);
  srv_->acTextCopyToWordExecute();
  EXPECT_TRUE(host_.Warnings.empty());
  EXPECT_TRUE(host_.Errors.empty());
  ASSERT_TRUE(srv_->WordApp && srv_->WordApp->Alive());
  auto docs = srv_->WordApp->Documents();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_TRUE(Inspect(srv_->WordApp.get(), docs[0].Key)["text"].toString().contains(QStringLiteral("ежегодно")));
  CloseAll(srv_->WordApp.get());
}

// Plain text on the clipboard (no HTML): it arrives as text.
TEST_F(OfficeE2E, PlainTextOnTheClipboardArrivesAsText) {
  auto app = LibreOfficeFactory(options_)(taWord);
  std::string key = app->CreateDocument();
  QGuiApplication::clipboard()->setText(QStringLiteral("простой текст из буфера"));
  QApplication::processEvents(QEventLoop::AllEvents, 500);
  app->AppendClipboard(key);
  EXPECT_TRUE(Inspect(app.get(), key)["text"].toString().contains(QStringLiteral("простой текст из буфера")));
  CloseAll(app.get());
}

TEST_F(OfficeE2E, NoOfficeOnThePathGivesTheWarning) {
  TLibreOfficeOptions missing = options_;
  missing.Soffice = "/nonexistent/soffice";
  missing.Pipe = "parvel_e2e_nobody_listens";
  TCopyToAppSrv srv(host_, LibreOfficeFactory(missing));
  srv.acTextCopyToWordExecute();
  ASSERT_EQ(host_.Warnings.size(), 1u);
  EXPECT_EQ(host_.Warnings[0], OfficeMissingText(taWord));
  EXPECT_FALSE(srv.WordApp);
  srv.acTextCopyToExcelExecute();
  ASSERT_EQ(host_.Warnings.size(), 2u);
  EXPECT_EQ(host_.Warnings[1], OfficeMissingText(taExcel));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
  PrepareApplication();
  QApplication app(argc, argv);
  InitApplication();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

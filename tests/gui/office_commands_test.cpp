// The copy commands' own logic against a recording office: which calls reach the office, when
// the dialog appears and what it offers, how a dropped connection is replaced, and what the
// clipboard holds afterwards. The copy phase runs in a real view.
#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "gui/GuiTestSupport.h"
#include "output/office/CopyToApp.h"
#include "output/office/LibreOfficeApp.h"
#include "output/office/WordDocsForm.h"

namespace {

using guitest::WaitFor;

// One office, shared by every connection a test makes to it.
struct TFakeOffice {
  std::vector<TOfficeDoc> Docs;
  std::vector<std::string> Log;
  std::vector<QString> PastedClipboards;  // the clipboard's text at each paste
  bool Installed = true;
  bool FailCreate = false;
  bool FailPaste = false;
  int Connects = 0;
  int NextKey = 1;
  class TFakeApp* Last = nullptr;
  std::function<void()> DuringPaste;
};

class TFakeApp : public IOfficeApp {
 public:
  TFakeApp(TFakeOffice& o, TTargetApp kind) : o_(o), kind_(kind) {}
  TTargetApp Kind() const override { return kind_; }
  bool Alive() const override { return Live; }
  int DocumentCount() override {
    Check("count");
    return static_cast<int>(o_.Docs.size());
  }
  std::vector<TOfficeDoc> Documents() override {
    Check("list");
    return o_.Docs;
  }
  std::string CreateDocument() override {
    Check("create");
    if (o_.FailCreate) throw EOfficeError(EOfficeError::oeFailed, "refused");
    std::string key = "d" + std::to_string(o_.NextKey++);
    o_.Docs.push_back({key, QString("Документ %1").arg(o_.Docs.size() + 1), "Лист1"});
    return key;
  }
  void AppendClipboard(const std::string& key) override { Paste("append " + key, key); }
  void PasteIntoFirstSheet(const std::string& key) override { Paste("paste " + key, key); }
  void Show(const std::string& key) override { Check("show " + key); }
  bool Live = true;

 private:
  void Check(const std::string& call) {
    if (!Live) throw EOfficeError(EOfficeError::oeDisconnected, "gone");
    o_.Log.push_back(call);
  }
  void Paste(const std::string& call, const std::string& key) {
    Check(call);
    if (o_.DuringPaste) o_.DuringPaste();
    if (o_.FailPaste) throw EOfficeError(EOfficeError::oeFailed, "paste failed");
    o_.PastedClipboards.push_back(QGuiApplication::clipboard()->text());
  }
  TFakeOffice& o_;
  TTargetApp kind_;
};

struct TRecordingHost : ICopyToAppHost {
  THtmlView* View = nullptr;
  std::vector<QString> Warnings, Errors;
  int Clears = 0;
  THtmlView* CopySourceView() override { return View; }
  void ClearHostHighlights() override { ++Clears; }
  QWidget* Owner = nullptr;
  QWidget* DialogOwner() override { return Owner; }
  void ShowWarning(const QString& t) override { Warnings.push_back(t); }
  void ShowErrorMessage(const QString& t) override { Errors.push_back(t); }
};

class OfficeCommands : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir();
    window_ = new QWidget();
    window_->resize(600, 300);
    view_ = CreateHtmlView(window_);
    view_->resize(600, 300);
    window_->show();
    QFile f(dir_->path() + "/page.htm");
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray::fromStdString(guitest::W(
        "<html><head><style>acronym { border: 0; text-decoration: inherit; }</style></head><body><p>Было <acronym id=\"t_d\" style=\"background-color:#ffcccc; text-decoration: "
        "line-through\">старое</acronym> слово</p></body></html>")));
    f.close();
    view_->Navigate(f.fileName().toStdString());
    view_->WaitReady(30000);
  }
  static void TearDownTestSuite() {
    delete window_;
    delete dir_;
  }
  void SetUp() override {
    QGuiApplication::clipboard()->clear();
    host_.View = view_;
    srv_ = std::make_unique<TCopyToAppSrv>(host_, [this](TTargetApp kind) -> std::unique_ptr<IOfficeApp> {
      if (!office_.Installed) throw EOfficeError(EOfficeError::oeNotInstalled, "none");
      ++office_.Connects;
      auto app = std::make_unique<TFakeApp>(office_, kind);
      office_.Last = app.get();
      return app;
    });
    srv_->ShowDialog = [this](TWordDocsForm& f) {
      ++dialogs_;
      f.show();
      return answer_ ? answer_(f) : false;
    };
  }
  bool Logged(const std::string& call) const {
    return std::find(office_.Log.begin(), office_.Log.end(), call) != office_.Log.end();
  }

  static inline QTemporaryDir* dir_ = nullptr;
  static inline QWidget* window_ = nullptr;
  static inline THtmlView* view_ = nullptr;
  TFakeOffice office_;
  TRecordingHost host_;
  std::unique_ptr<TCopyToAppSrv> srv_;
  int dialogs_ = 0;
  std::function<bool(TWordDocsForm&)> answer_;
};

TEST_F(OfficeCommands, WithoutAnOfficeBothCommandsWarnAndPasteNothing) {
  office_.Installed = false;
  srv_->acTextCopyToWordExecute();
  srv_->acTextCopyToExcelExecute();
  ASSERT_EQ(host_.Warnings.size(), 2u);
  EXPECT_EQ(host_.Warnings[0], OfficeMissingText(taWord));
  EXPECT_EQ(host_.Warnings[1], OfficeMissingText(taExcel));
  EXPECT_TRUE(host_.Warnings[0].contains("LibreOffice Writer"));
  EXPECT_FALSE(srv_->WordApp);
  EXPECT_FALSE(srv_->ExcelApp);
  EXPECT_EQ(host_.Clears, 2);
}

TEST_F(OfficeCommands, FirstCopyCreatesADocumentWithoutDialogThenTheOneDocumentIsOffered) {
  srv_->acTextCopyToWordExecute();
  EXPECT_EQ(dialogs_, 0);
  EXPECT_EQ(office_.Log, (std::vector<std::string>{"count", "create", "append d1"}));
  ASSERT_EQ(office_.PastedClipboards.size(), 1u);
  EXPECT_TRUE(office_.PastedClipboards[0].contains(QStringLiteral("Было старое слово")));
  EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->html().contains("<span"));
  QString html = QGuiApplication::clipboard()->mimeData()->html();
  EXPECT_FALSE(html.contains("acronym"));
  EXPECT_FALSE(html.contains("-webkit-"));
  EXPECT_FALSE(html.contains("initial"));
  EXPECT_FALSE(html.contains("inherit"));
  EXPECT_TRUE(html.contains("line-through"));
  // The page was selected for the copy only.
  EXPECT_TRUE(WaitFor([] { return view_->SelectionText().empty(); }, 5000));

  QStringList entries;
  answer_ = [&](TWordDocsForm& f) {
    for (int i = 0; i < f.lbDocs->count(); ++i) entries << f.lbDocs->item(i)->text();
    EXPECT_EQ(f.lbDocs->currentRow(), 0);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("LibreOffice Writer: Открытые документы"));
    f.lbDocs->itemDoubleClicked(f.lbDocs->item(0));  // a double click is OK
    return f.result() == QDialog::Accepted;
  };
  srv_->acTextCopyToWordExecute();
  EXPECT_EQ(entries, QStringList{QStringLiteral("Документ 1")});
  EXPECT_EQ(office_.Connects, 1) << "the held connection is reused";
  EXPECT_TRUE(office_.Log.back() == "append d1");
  EXPECT_EQ(office_.PastedClipboards.size(), 2u);
}

TEST_F(OfficeCommands, CancelPastesNothingAndKeepsTheClipboard) {
  office_.Docs = {{"a", "Один", ""}, {"b", "Два", ""}};
  answer_ = [](TWordDocsForm& f) {
    f.bCancel->click();
    return f.result() == QDialog::Accepted;
  };
  srv_->acTextCopyToWordExecute();
  EXPECT_EQ(dialogs_, 1);
  EXPECT_TRUE(office_.PastedClipboards.empty());
  EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(QStringLiteral("Было старое слово")));
}

TEST_F(OfficeCommands, ATargetThatVanishedGivesNothingAndAFailedNewKeepsTheDialogOpen) {
  office_.Docs = {{"a", "Один", ""}, {"b", "Два", ""}};
  answer_ = [&](TWordDocsForm& f) {
    office_.Docs.erase(office_.Docs.begin());  // closed by the user while the dialog is open
    f.bOk->click();
    EXPECT_TRUE(f.FResult.empty());
    return f.result() == QDialog::Accepted;
  };
  srv_->acTextCopyToWordExecute();
  EXPECT_TRUE(office_.PastedClipboards.empty());
  EXPECT_TRUE(host_.Errors.empty());

  office_.FailCreate = true;
  answer_ = [&](TWordDocsForm& f) {
    f.bCreate->click();
    EXPECT_TRUE(f.isVisible()) << "a failed new document leaves the dialog open";
    EXPECT_TRUE(f.FResult.empty());
    f.reject();
    return false;
  };
  srv_->acTextCopyToWordExecute();
  EXPECT_TRUE(office_.PastedClipboards.empty());
}

TEST_F(OfficeCommands, ADroppedConnectionIsReplacedSilentlyAndPasteErrorsEndQuietly) {
  srv_->acTextCopyToWordExecute();
  ASSERT_EQ(office_.Connects, 1);
  office_.Last->Live = false;  // the office was closed or stopped answering
  office_.Docs.clear();
  office_.FailPaste = true;
  srv_->acTextCopyToWordExecute();
  EXPECT_EQ(office_.Connects, 2);
  EXPECT_TRUE(srv_->WordApp->Alive());
  EXPECT_TRUE(host_.Warnings.empty());
  EXPECT_TRUE(host_.Errors.empty());
  EXPECT_EQ(office_.Log.back(), "append d2");
}

TEST_F(OfficeCommands, WorkbooksAreListedWithTheirFirstSheetAndNewMakesOne) {
  office_.Docs = {{"w", "/home/u/книга.ods", "Лист1"}};
  QStringList entries;
  answer_ = [&](TWordDocsForm& f) {
    for (int i = 0; i < f.lbDocs->count(); ++i) entries << f.lbDocs->item(i)->text();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("LibreOffice Calc: Открытые книги"));
    f.bCreate->click();
    return f.result() == QDialog::Accepted;
  };
  srv_->acTextCopyToExcelExecute();
  EXPECT_EQ(entries, QStringList{QStringLiteral("/home/u/книга.ods [Лист1]")});
  EXPECT_EQ(office_.Log.back(), "paste d1");

  // A held spreadsheet connection without workbooks is replaced, and a new workbook made.
  office_.Docs.clear();
  srv_->acTextCopyToExcelExecute();
  EXPECT_EQ(office_.Connects, 2);
  EXPECT_EQ(dialogs_, 1);
  EXPECT_EQ(office_.Log.back(), "paste d2");
}

// A helper that answers the connection and then falls silent: the call ends at its time limit,
// the connection is dropped, and the command connects anew.
TEST_F(OfficeCommands, AConnectionThatStopsAnsweringIsDropped) {
  QString script = dir_->path() + "/silent.py";
  QFile f(script);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("import sys, time\n"
          "for line in sys.stdin:\n"
          "    if '\"start\"' in line:\n"
          "        print('{\"ok\": true, \"result\": true}', flush=True)\n"
          "    else:\n"
          "        time.sleep(600)\n");
  f.close();
  TLibreOfficeOptions options;
  options.Python = QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : QStandardPaths::findExecutable("python3");
  options.Helper = script;
  options.CallTimeoutMs = 300;
  auto silent = std::make_unique<TLibreOfficeApp>(taWord, options);
  ASSERT_TRUE(silent->Alive());
  try {
    silent->DocumentCount();
    ADD_FAILURE() << "a silent office must not give an answer";
  } catch (const EOfficeError& e) {
    EXPECT_EQ(e.Kind, EOfficeError::oeDisconnected);
  }
  EXPECT_FALSE(silent->Alive());

  srv_->WordApp = std::make_unique<TLibreOfficeApp>(taWord, options);
  srv_->acTextCopyToWordExecute();  // the held one times out on counting and is replaced
  EXPECT_EQ(office_.Connects, 1);
  EXPECT_EQ(office_.Log.back(), "append d1");
  EXPECT_TRUE(host_.Errors.empty());
}

TEST_F(OfficeCommands, TheWindowStaysOpenWhileTheOfficeWorks) {
  QWidget owner;
  owner.show();
  host_.Owner = &owner;
  bool closed = true;
  office_.DuringPaste = [&] { closed = owner.close(); };
  srv_->acTextCopyToWordExecute();
  EXPECT_FALSE(closed);
  EXPECT_TRUE(owner.isVisible());
  EXPECT_TRUE(owner.close()) << "after the command the window closes as usual";
}

TEST_F(OfficeCommands, DialogLayout) {
  TFakeApp app(office_, taWord);
  TWordDocsForm f(nullptr, taWord, app);
  EXPECT_EQ(f.size(), QSize(443, 314));
  EXPECT_EQ(f.lbDocs->geometry(), QRect(8, 32, 424, 233));
  EXPECT_EQ(f.bCreate->geometry(), QRect(8, 277, 101, 25));
  EXPECT_EQ(f.bOk->geometry(), QRect(246, 277, 89, 25));
  EXPECT_EQ(f.bCancel->geometry(), QRect(342, 277, 89, 25));
  EXPECT_EQ(f.bCreate->text(), QStringLiteral("&Новый"));
  EXPECT_EQ(f.bOk->text(), QStringLiteral("&OК"));
  EXPECT_EQ(f.bCancel->text(), QStringLiteral("Отмена"));
  EXPECT_TRUE(f.bOk->isDefault());
}

}  // namespace

PARVEL_GUI_TEST_MAIN()

// A table that is not a page (the change list) reaches the sheet through the clipboard as HTML
// and as text.
TEST_F(OfficeCommands, ATableGoesIntoTheFirstSheet) {
  srv_->CopyTableToExcel(QStringLiteral("<table><tr><td>1</td><td>ст. 5</td></tr></table>"),
                         QStringLiteral("1\tст. 5\n"));
  EXPECT_EQ(office_.Log, (std::vector<std::string>{"count", "create", "paste d1"}));
  ASSERT_EQ(office_.PastedClipboards.size(), 1u);
  EXPECT_EQ(office_.PastedClipboards[0], QStringLiteral("1\tст. 5\n"));
  EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->html().contains("<td>ст. 5</td>"));
}

// «Сравнительная таблица…» and «Документ с исправлениями…» in the real window: offered only with
// a result, the save dialog filled by real key and mouse events, what is written and what not.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include "gui/GuiTestSupport.h"
#include "handon/HandOnCommands.h"
#include "handon/HandOnSaveDialog.h"

using namespace guitest;

namespace {

struct THandOnFixture {
  TProgramDir Dir;
  TMessages Messages;
  std::unique_ptr<TVerCmp> Win = ShowMainWindow(Dir);
  QTemporaryDir Out;

  QToolButton* Button(const char* name) { return Win->findChild<QToolButton*>(name); }
  THandOnCommands* Commands() { return Win->findChild<THandOnCommands*>(); }

  void Compare() {
    SetBody(UI(Win).WB1, W("<p>Статья 1. Налог уплачивается ежеквартально в бюджет.</p><p>Вторая строка.</p>"));
    SetBody(UI(Win).WB2, W("<p>Статья 1. Налог уплачивается ежемесячно в бюджет.</p><p>Вторая строка.</p>"));
    QTest::mouseClick(UI(Win).bCompareTexts, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return UI(Win).Navigation->ResultShown; }));
  }

  // Clicks the toolbar button; fill gets the save dialog once it is up and answers it.
  void ClickAndAnswer(const char* button, const std::function<void(THandOnSaveDialog&)>& fill) {
    bool answered = false;
    auto* poll = new QTimer(Win.get());
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      auto* d = qobject_cast<THandOnSaveDialog*>(QApplication::activeModalWidget());
      if (!d || answered) return;
      answered = true;
      poll->stop();
      fill(*d);
    });
    poll->start(20);
    QTest::mouseClick(Button(button), Qt::LeftButton);
    delete poll;
    EXPECT_TRUE(answered) << "no save dialog";
  }
};

// Replaces a field's text as the user does: select all, type.
void TypeInto(QLineEdit* field, const QString& text) {
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  for (QChar c : text)
    QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QStringList Entries(const QString& folder) { return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries); }

QString MenuTexts(QMenu* menu) {
  QStringList shown;
  for (QAction* a : menu->actions())
    if (a->isVisible() && a->isEnabled()) shown << a->text();
  return shown.join('|');
}

}  // namespace

TEST(HandOnCommands, OfferedOnlyWhileAResultIsShown) {
  THandOnFixture f;
  ASSERT_NE(f.Button("bHandOnTable"), nullptr);
  for (const char* b : {"bHandOnTable", "bHandOnTracked"}) {
    EXPECT_FALSE(f.Button(b)->isEnabled()) << b;
    EXPECT_FALSE(f.Button(b)->toolTip().isEmpty()) << b;
  }
  EXPECT_FALSE(MenuTexts(UI(f.Win).PopMenuText).contains("Сравнительная таблица…"));
  // A click in text entry opens nothing.
  QTest::mouseClick(f.Button("bHandOnTable"), Qt::LeftButton);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  f.Compare();
  EXPECT_TRUE(f.Button("bHandOnTable")->isEnabled());
  EXPECT_TRUE(f.Button("bHandOnTracked")->isEnabled());
  const QString menu = MenuTexts(UI(f.Win).PopMenuText);
  EXPECT_TRUE(menu.contains("Сохранить и открыть в MS Word|Сравнительная таблица…|Документ с исправлениями…"))
      << menu.toStdString();

  QTest::mouseClick(UI(f.Win).bCompareTexts, Qt::LeftButton);  // «Новое сравнение»
  ASSERT_EQ(f.Win->Mode(), wmEntry);
  EXPECT_FALSE(f.Button("bHandOnTable")->isEnabled());
  EXPECT_FALSE(f.Button("bHandOnTracked")->isEnabled());
}

// A typed .htm path switches the format; the headings typed are the table's; the choice is
// remembered for the next time, and «Отмена» then writes nothing.
TEST(HandOnCommands, TableToHtmWithTypedHeadingsThenCancel) {
  THandOnFixture f;
  f.Compare();
  const QString path = f.Out.path() + "/таблица.htm";
  f.ClickAndAnswer("bHandOnTable", [&](THandOnSaveDialog& d) {
    EXPECT_EQ(QFileInfo(d.PathField->text()).fileName().toStdString(), "Сравнительная таблица.docx");
    EXPECT_EQ(d.Column1Field->text().toStdString(), "Редакция 1");
    EXPECT_EQ(d.Column2Field->text().toStdString(), "Редакция 2");
    TypeInto(d.PathField, path);
    EXPECT_EQ(d.FormatChoice->currentText().toStdString(), "Веб-страница (*.htm)");
    TypeInto(d.Column1Field, "Действующая редакция");
    TypeInto(d.Column2Field, "Предлагаемая редакция");
    QTest::mouseClick(d.SaveButton, Qt::LeftButton);
  });
  EXPECT_TRUE(f.Messages.List().empty()) << f.Messages.List().front();
  const QString html = QString::fromUtf8(ReadFile(path));
  ASSERT_FALSE(html.isEmpty()) << "nothing written";
  EXPECT_TRUE(html.contains("Действующая редакция"));
  EXPECT_TRUE(html.contains("Предлагаемая редакция"));
  EXPECT_TRUE(html.contains(QRegularExpression("<b[^>]*>[^<]*ежемесячно")));
  EXPECT_TRUE(html.contains("ежеквартально"));
  auto* note = f.Win->findChild<QLabel*>("HandOnNote");
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->text(), "Записано: " + QDir::toNativeSeparators(path));

  const QStringList before = Entries(f.Out.path());
  f.ClickAndAnswer("bHandOnTable", [&](THandOnSaveDialog& d) {
    EXPECT_EQ(QFileInfo(d.PathField->text()).absolutePath(), f.Out.path()) << "the folder is remembered";
    EXPECT_EQ(d.FormatChoice->currentText().toStdString(), "Веб-страница (*.htm)");
    EXPECT_EQ(d.Column1Field->text().toStdString(), "Действующая редакция");
    TypeInto(d.PathField, f.Out.path() + "/другая.htm");
    QTest::mouseClick(d.CancelButton, Qt::LeftButton);
  });
  EXPECT_EQ(Entries(f.Out.path()), before);
  EXPECT_TRUE(f.Messages.List().empty());
}

TEST(HandOnCommands, AFolderAsTheFileIsRefusedInRussian) {
  THandOnFixture f;
  f.Compare();
  const QString folder = f.Out.path() + "/папка.htm";
  ASSERT_TRUE(QDir().mkpath(folder));
  f.ClickAndAnswer("bHandOnTable", [&](THandOnSaveDialog& d) {
    TypeInto(d.PathField, folder);
    QTest::mouseClick(d.SaveButton, Qt::LeftButton);
  });
  ASSERT_EQ(f.Messages.List().size(), 1u);
  const QString message = QString::fromStdString(f.Messages.List()[0]);
  EXPECT_TRUE(message.contains(QRegularExpression("[а-яА-Я]{4}"))) << message.toStdString();
  EXPECT_TRUE(message.contains(QDir::toNativeSeparators(folder)) || message.contains(folder)) << message.toStdString();
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_EQ(Entries(folder), QStringList());
  EXPECT_EQ(Entries(f.Out.path()), QStringList{"папка.htm"});
  EXPECT_TRUE(f.Commands()->LastWritten.isEmpty());
}

// The office converts; a machine without it skips.
TEST(HandOnCommands, TrackedEditionToOdt) {
  if (QStandardPaths::findExecutable("soffice").isEmpty()) GTEST_SKIP() << "no soffice";
  THandOnFixture f;
  f.Compare();
  const QString path = f.Out.path() + "/исправления.odt";
  f.ClickAndAnswer("bHandOnTracked", [&](THandOnSaveDialog& d) {
    EXPECT_EQ(d.Column1Field, nullptr);
    EXPECT_EQ(QFileInfo(d.PathField->text()).fileName().toStdString(), "Редакция с исправлениями.docx");
    EXPECT_EQ(d.FormatChoice->findText("Веб-страница (*.htm)"), -1);
    TypeInto(d.PathField, path);
    EXPECT_EQ(d.FormatChoice->currentText().toStdString(), "Документ OpenDocument (*.odt)");
    QTest::mouseClick(d.SaveButton, Qt::LeftButton);
  });
  EXPECT_TRUE(f.Messages.List().empty()) << f.Messages.List().front();
  ASSERT_TRUE(QFileInfo(path).isFile());
  QProcess p;
  p.start("python3", {"-c",
                      "import sys, zipfile; c = zipfile.ZipFile(sys.argv[1]).read('content.xml').decode();"
                      "print('tracked-changes' in c, 'ежемесячно' in c, 'ежеквартально' in c)",
                      path});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed().toStdString(), "True True True");
}

PARVEL_GUI_TEST_MAIN()

// "Сохранить и открыть в MS Word" in the real window: the file's bytes, the style files beside
// it, the word processor's arguments, and a real headless LibreOffice reading the file.
#include <QFileDialog>
#include <QProcess>
#include <QUrl>

#include "engine/ResultPages.h"
#include "gui/GuiTestSupport.h"
#include "output/SavedPage.h"
#include "output/SaveToWord.h"

using namespace guitest;

namespace {

// A window after "Сравнить" where the left text lost a word, with the openers recorded and the
// save dialog answered.
struct TSaveFixture {
  TProgramDir Dir;
  TMessages Messages;
  std::unique_ptr<TVerCmp> Win = ShowMainWindow(Dir);
  std::vector<QStringList> Started;  // program, then its arguments
  QTemporaryDir Out;

  TSaveFixture() {
    SetBody(UI(Win).WB1, W("<p>Статья 1. Налог уплачивается ежеквартально в бюджет.</p><p>Вторая строка.</p>"));
    SetBody(UI(Win).WB2, W("<p>Статья 1. Налог уплачивается в бюджет.</p><p>Вторая строка.</p>"));
    UI(Win).bCompareTexts->click();
    UI(Win).CurrentView = 1;
    UI(Win).SaveToWord->StartDetached = [this](const QString& p, const QStringList& a) {
      Started.push_back(QStringList{p} + a);
      return true;
    };
    UI(Win).SaveToWord->OpenWithDesktop = [](const QString&) { return false; };
  }
  void Save(const QString& path) {
    UI(Win).SaveToWord->RunSaveDialog = [path](QFileDialog& d) {
      EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
      EXPECT_FALSE(d.testOption(QFileDialog::DontConfirmOverwrite)) << "asks before overwriting";
      EXPECT_TRUE(d.defaultSuffix().isEmpty());
      EXPECT_EQ(QFileInfo(d.selectedFiles().value(0)).fileName().toStdString(), "Документ_.htm");
      return path;
    };
    UI(Win).acTextSaveToFile->trigger();
  }
};

// The texts of the ODT's runs whose style strikes them through; with underline, those whose style
// or an enclosing span's style (automatic or named) underlines them.
QString StruckText(const QString& odt, bool underline = false) {
  QProcess p;
  p.start("python3", {"-c", R"(
import sys, zipfile, xml.etree.ElementTree as ET
T, S = '{urn:oasis:names:tc:opendocument:xmlns:text:1.0}', '{urn:oasis:names:tc:opendocument:xmlns:style:1.0}'
z = zipfile.ZipFile(sys.argv[1])
root = ET.fromstring(z.read('content.xml'))
key = S + ('text-underline-style' if sys.argv[2] == '1' else 'text-line-through-style')
styles = list(root.iter(S + 'style')) + list(ET.fromstring(z.read('styles.xml')).iter(S + 'style'))
marked = {st.get(S + 'name') for st in styles for tp in st.iter(S + 'text-properties') if tp.get(key, 'none') != 'none'}
def spans(e, inherited):
  for c in e:
    on = inherited or (c.tag == T + 'span' and c.get(T + 'style-name') in marked)
    if c.tag == T + 'span' and on and not any(g.tag == T + 'span' for g in c): yield ''.join(c.itertext())
    yield from spans(c, on)
print(' '.join(spans(root, False)))
)", odt, underline ? "1" : "0"});
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

}  // namespace

TEST(SaveToWord, WritesWindows1251CrLfWithStylesAndOpensWriterWithOneArgument) {
  TSaveFixture f;
  const QString folder = f.Out.path() + "/папка с пробелами/";
  const QString files = folder + "Документ__files/";  // named after the document, as browsers save pages
  QDir().mkpath(files);
  {
    QFile mine(files + "spec.css");  // a style sheet already there stays as it is
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly) && mine.write("/* mine */") > 0);
  }
  const QString path = folder + "Документ_.htm";
  f.Save(path);
  EXPECT_TRUE(f.Messages.List().empty());

  const std::string bytes = ReadFile(path);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.rfind("<html", 0), 0u) << "no byte-order mark or header";
  EXPECT_EQ(ToCrLfLines(bytes), bytes) << "CR LF lines only, the last one ended too";
  EXPECT_NE(bytes.find(W("ежеквартально")), std::string::npos) << "Windows-1251 text";
  EXPECT_EQ(bytes.find("\xD0\xB5"), std::string::npos) << "no UTF-8";
  EXPECT_NE(bytes.find("line-through"), std::string::npos) << "the marks are kept";
  EXPECT_EQ(ReadFile(files + "spec.css"), "/* mine */");
  EXPECT_TRUE(QFile::exists(files + "kvilon.css") && QFile::exists(files + "img/users.png"));
  EXPECT_FALSE(QFile::exists(folder + "kvilon.css")) << "no loose style files beside the document";
  EXPECT_NE(bytes.find("href=\"" + QUrl::toPercentEncoding("Документ__files").toStdString() + "/etalon5.css\""),
            std::string::npos);
  EXPECT_EQ(bytes.find("acronym"), std::string::npos) << "marks written as spans";
  int marks = 0;
  for (size_t at = bytes.find("<span id=\"t_d"); at != std::string::npos; at = bytes.find("<span id=\"t_d", at + 1), ++marks)
    EXPECT_NE(bytes.substr(at, bytes.find('>', at) - at).find("text-decoration"), std::string::npos)
        << "every mark states its decoration: " << bytes.substr(at, 120);
  EXPECT_GE(marks, 1);
  EXPECT_EQ(f.Started, (std::vector<QStringList>{{TSaveToWord::FindWriter(), "--writer", path}}))
      << "the path with blanks is one argument";

  // The view shows the saved page with its style sheet: laid out as the result page it came from.
  auto topOfMark = [](const QString& page) {
    std::unique_ptr<THtmlView> v(CreateHtmlView(nullptr));
    v->resize(800, 600);
    v->Navigate(cp1251::FromUtf8(page.toStdString()));
    v->WaitReady(30000);
    return v->AbsoluteTop(TElementRef::Item("t_d", 0));
  };
  const int styled = topOfMark(UI(f.Win).WorkDir + "c1.htm");
  EXPECT_EQ(topOfMark(path), styled);
  QFile::copy(path, f.Out.path() + "/alone.htm");
  EXPECT_NE(topOfMark(f.Out.path() + "/alone.htm"), styled) << "(the style sheet moves the mark)";

  // A real LibreOffice reads the file and keeps the struck-through text.
  ASSERT_FALSE(TSaveToWord::FindWriter().isEmpty()) << "LibreOffice Writer is not installed";
  QProcess soffice;
  soffice.start(TSaveToWord::FindWriter(),
                {"-env:UserInstallation=" + QUrl::fromLocalFile(f.Out.path() + "/profile").toString(), "--headless",
                 "--convert-to", "odt", "--outdir", f.Out.path() + "/odt", path});
  ASSERT_TRUE(soffice.waitForFinished(180000));
  EXPECT_TRUE(StruckText(f.Out.path() + "/odt/Документ_.odt").contains("ежеквартально"));
  EXPECT_EQ(StruckText(f.Out.path() + "/odt/Документ_.odt", true).toStdString(), "") << "struck text only struck";
}

// Marks of any spelling become spans stating their decoration; only the style files' references move.
TEST(SavedPage, MarksBecomeSpansAndStyleReferencesPointIntoTheFolder) {
  const std::string page =
      "<link rel=stylesheet href='etalon5.css'><img src=\"img/users.png\"><a href=\"other.css\">x</a>"
      "<ACRONYM id=\"t_d\">a</ACRONYM><acronym style=\"background-color: red\">b</acronym>"
      "<acronym style='text-decoration: line-through;'>c</acronym><acronymx>d</acronymx>";
  EXPECT_EQ(PageForWordProcessor(page, "Мой файл_files", {"etalon5.css", "img/users.png"}),
            "<link rel=stylesheet href='" + QUrl::toPercentEncoding("Мой файл_files").toStdString() +
                "/etalon5.css'><img src=\"" + QUrl::toPercentEncoding("Мой файл_files").toStdString() +
                "/img/users.png\"><a href=\"other.css\">x</a>"
                "<span style=\"text-decoration: none\" id=\"t_d\">a</span>"
                "<span style=\"background-color: red; text-decoration: none\">b</span>"
                "<span style='text-decoration: line-through;'>c</span><acronymx>d</acronymx>");
  EXPECT_EQ(StyleFolderName("/a/Документ_.htm").toStdString(), "Документ__files");
  EXPECT_EQ(StyleFolderName("/a/plain").toStdString(), "plain_files");
}

TEST(SaveToWord, ANameWithoutExtensionCancelAFileThatCannotBeWrittenAndNoWordProcessor) {
  TSaveFixture f;
  const QString plain = f.Out.path() + "/plain";
  f.Save(plain);  // exactly the typed name, nothing appended
  EXPECT_TRUE(QFile::exists(plain) && !QFile::exists(plain + ".htm"));
  f.Save(QString());  // cancelled: nothing started
  f.Save(plain + "/Документ_.htm");  // its folder is a file: a message, nothing started
  EXPECT_EQ(f.Started.size(), 1u);
  ASSERT_EQ(f.Messages.List().size(), 1u);
  EXPECT_NE(f.Messages.List()[0].find("Не удалось сохранить документ"), std::string::npos) << f.Messages.List()[0];

  // No word processor: the desktop's handler, else a message naming the saved file.
  UI(f.Win).SaveToWord->StartDetached = [](const QString&, const QStringList&) { return false; };
  QString opened;
  UI(f.Win).SaveToWord->OpenWithDesktop = [&](const QString& p) { opened = p; return true; };
  f.Save(plain);
  EXPECT_EQ(opened, plain);
  UI(f.Win).SaveToWord->OpenWithDesktop = [](const QString&) { return false; };
  f.Save(plain);
  ASSERT_EQ(f.Messages.List().size(), 2u);
  EXPECT_NE(f.Messages.List()[1].find("LibreOffice"), std::string::npos);
}

PARVEL_GUI_TEST_MAIN()

// "Сохранить и открыть в MS Word" in the real window: the file's bytes, the style files beside
// it, the word processor's arguments, and a real headless LibreOffice reading the file.
#include <QFileDialog>
#include <QProcess>

#include "gui/GuiTestSupport.h"
#include "output/SaveToWord.h"

using namespace guitest;

namespace {

struct TStart {
  QString Program;
  QStringList Arguments;
};

// A window after "Сравнить" where the left text lost a word, with the opener recorded.
struct TSaveFixture {
  TProgramDir Dir;
  TMessages Messages;
  std::unique_ptr<TVerCmp> Win = ShowMainWindow(Dir);
  std::vector<TStart> Starts;
  QTemporaryDir Out;

  TSaveFixture() {
    SetBody(Win->WB1, W("<p>Статья 1. Налог уплачивается ежеквартально в бюджет.</p><p>Вторая строка.</p>"));
    SetBody(Win->WB2, W("<p>Статья 1. Налог уплачивается в бюджет.</p><p>Вторая строка.</p>"));
    Win->bCompareTexts->click();
    Win->CurrentView = 1;
    Win->SaveToWord->StartDetached = [this](const QString& p, const QStringList& a) {
      Starts.push_back({p, a});
      return true;
    };
    Win->SaveToWord->OpenWithDesktop = [](const QString&) { return false; };
  }
  // Saves through the command with the dialog answered by path.
  void Save(const QString& path) {
    Win->SaveToWord->RunSaveDialog = [path](QFileDialog& d) {
      EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
      EXPECT_FALSE(d.testOption(QFileDialog::DontConfirmOverwrite)) << "asks before overwriting";
      EXPECT_TRUE(d.defaultSuffix().isEmpty());
      EXPECT_EQ(QFileInfo(d.selectedFiles().value(0)).fileName().toStdString(), "Документ_.htm");
      return path;
    };
    Win->acTextSaveToFile->trigger();
  }
};

int Soffice(const QStringList& args, const QString& profile) {
  QProcess p;
  p.start(TSaveToWord::FindWriter(), QStringList{"-env:UserInstallation=" + QUrl::fromLocalFile(profile).toString()} + args);
  if (!p.waitForFinished(180000)) return -1;
  return p.exitCode();
}

// The texts of the ODT's runs whose style strikes them through.
QString StruckText(const QString& odt) {
  QProcess p;
  p.start("python3", {"-c", R"(
import sys, zipfile, xml.etree.ElementTree as ET
T = 'urn:oasis:names:tc:opendocument:xmlns:text:1.0'
S = 'urn:oasis:names:tc:opendocument:xmlns:style:1.0'
root = ET.fromstring(zipfile.ZipFile(sys.argv[1]).read('content.xml'))
struck = {st.get('{%s}name' % S) for st in root.iter('{%s}style' % S)
          for tp in st.iter('{%s}text-properties' % S)
          if tp.get('{%s}text-line-through-style' % S, 'none') != 'none'}
print(' '.join(''.join(sp.itertext()) for sp in root.iter('{%s}span' % T)
               if sp.get('{%s}style-name' % T) in struck))
)", odt});
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

}  // namespace

TEST(SaveToWord, WritesWindows1251CrLfWithStylesAndOpensWriterWithOneArgument) {
  TSaveFixture f;
  const QString folder = f.Out.path() + "/папка с пробелами/";
  QDir().mkpath(folder);
  {
    QFile mine(folder + "etalon5.css");  // a style sheet already there stays as it is
    mine.open(QIODevice::WriteOnly);
    mine.write("/* mine */");
  }
  const QString path = folder + "Документ_.htm";
  f.Save(path);
  EXPECT_TRUE(f.Messages.List().empty());

  const std::string bytes = ReadFile(path);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.rfind("<html", 0), 0u) << "no byte-order mark or header";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "lone LF at " << i;
    if (bytes[i] == '\r') ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "lone CR at " << i;
  }
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  EXPECT_NE(bytes.find(W("ежеквартально")), std::string::npos) << "Windows-1251 text";
  EXPECT_EQ(bytes.find("\xD0\xB5"), std::string::npos) << "no UTF-8";
  EXPECT_NE(bytes.find("line-through"), std::string::npos) << "the marks are kept";
  EXPECT_EQ(ReadFile(folder + "etalon5.css"), "/* mine */");
  EXPECT_TRUE(QFile::exists(folder + "kvilon.css"));
  EXPECT_TRUE(QFile::exists(folder + "img/users.png"));

  ASSERT_EQ(f.Starts.size(), 1u);
  EXPECT_EQ(f.Starts[0].Program, TSaveToWord::FindWriter());
  EXPECT_EQ(f.Starts[0].Arguments, (QStringList{"--writer", path})) << "the path with blanks is one argument";

  // A real LibreOffice reads the file and keeps the struck-through text.
  ASSERT_FALSE(TSaveToWord::FindWriter().isEmpty()) << "LibreOffice Writer is not installed";
  const QString outDir = f.Out.path() + "/odt";
  ASSERT_EQ(Soffice({"--headless", "--convert-to", "odt", "--outdir", outDir, path}, f.Out.path() + "/profile"), 0);
  const QString odt = outDir + "/Документ_.odt";
  ASSERT_TRUE(QFile::exists(odt));
  EXPECT_TRUE(StruckText(odt).contains("ежеквартально")) << StruckText(odt).toStdString();
}

TEST(SaveToWord, ANameWithoutExtensionCancelAndAFileThatCannotBeWritten) {
  TSaveFixture f;
  // Exactly the typed name, nothing appended.
  const QString plain = f.Out.path() + "/plain";
  f.Save(plain);
  EXPECT_TRUE(QFile::exists(plain));
  EXPECT_FALSE(QFile::exists(plain + ".htm"));
  ASSERT_EQ(f.Starts.size(), 1u);

  // Cancelled: nothing written, nothing started.
  f.Save(QString());
  EXPECT_EQ(f.Starts.size(), 1u);

  // A folder that is a file: a message, and the word processor is not started.
  const QString blocked = plain + "/Документ_.htm";
  f.Save(blocked);
  EXPECT_EQ(f.Starts.size(), 1u);
  ASSERT_EQ(f.Messages.List().size(), 1u);
  EXPECT_NE(f.Messages.List()[0].find("Не удалось сохранить документ"), std::string::npos) << f.Messages.List()[0];

  // No word processor at all: the desktop's handler, else a message naming the saved file.
  f.Win->SaveToWord->StartDetached = [](const QString&, const QStringList&) { return false; };
  QString opened;
  f.Win->SaveToWord->OpenWithDesktop = [&](const QString& p) { opened = p; return true; };
  f.Save(plain);
  EXPECT_EQ(opened, plain);
  f.Win->SaveToWord->OpenWithDesktop = [](const QString&) { return false; };
  f.Save(plain);
  ASSERT_EQ(f.Messages.List().size(), 2u);
  EXPECT_NE(f.Messages.List()[1].find("LibreOffice"), std::string::npos);
}

PARVEL_GUI_TEST_MAIN()

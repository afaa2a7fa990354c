// parvel-cli table and redline: the written .docx and .odt opened as zip and XML (by python3,
// no office) and their marked words held against the documents as built.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "documents/ComparisonTable.h"
#include "documents/TrackedEdition.h"
#include "engine/ChangeList.h"
#include "engine/ComparisonModel.h"
#include "input/OfficeProcess.h"
#include "input/ViewTextFile.h"

namespace fs = std::filesystem;

namespace {

// Prints what the checks need of a document, one tab-separated line each:
//   table:   "R" at each row, "P <cell> <text> <struck text> <bold text>" for each paragraph;
//   tracked: "D <text>" for deleted and "I <text>" for inserted text, in document order.
// Runs of one kind that touch are joined; an unmarked run between two marked ones parts them.
constexpr const char* kReader = R"PY(
import sys, zipfile, xml.etree.ElementTree as ET
mode, path = sys.argv[1], sys.argv[2]
def out(*f): print('\t'.join(x.replace('\t', ' ').replace('\n', ' ') for x in f))
z = zipfile.ZipFile(path)
class Marks:
    def __init__(s): s.text = ''; s.marked = {'s': '', 'b': ''}; s.last = {'s': False, 'b': False}
    def add(s, t, struck, bold):
        s.text += t
        for k, on in (('s', struck), ('b', bold)):
            if on: s.marked[k] += t
            elif s.last[k]: s.marked[k] += ' '
            s.last[k] = on
if path.endswith('.docx'):
    W = '{http://schemas.openxmlformats.org/wordprocessingml/2006/main}'
    doc = ET.fromstring(z.read('word/document.xml'))
    def flag(rpr, tag):
        e = rpr.find(W + tag) if rpr is not None else None
        return e is not None and e.get(W + 'val', 'true') not in ('false', '0')
    if mode == 'table':
        for tr in doc.iter(W + 'tr'):
            out('R')
            for ci, tc in enumerate(tr.findall(W + 'tc')):
                for p in tc.iter(W + 'p'):
                    m = Marks()
                    for r in p.iter(W + 'r'):
                        t = ''.join(x.text or '' for x in r.iter(W + 't'))
                        rpr = r.find(W + 'rPr')
                        m.add(t, flag(rpr, 'strike'), flag(rpr, 'b'))
                    out('P', str(ci), m.text, m.marked['s'], m.marked['b'])
    else:
        for e in doc.iter():
            if e.tag == W + 'del':
                out('D', ''.join(x.text or '' for x in e.iter(W + 'delText')))
            elif e.tag == W + 'ins':
                out('I', ''.join(x.text or '' for x in e.iter(W + 't')))
else:
    O = {'text': 'urn:oasis:names:tc:opendocument:xmlns:text:1.0',
         'style': 'urn:oasis:names:tc:opendocument:xmlns:style:1.0',
         'fo': 'urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0',
         'table': 'urn:oasis:names:tc:opendocument:xmlns:table:1.0',
         'office': 'urn:oasis:names:tc:opendocument:xmlns:office:1.0'}
    def q(ns, n): return '{%s}%s' % (O[ns], n)
    content = ET.fromstring(z.read('content.xml'))
    props, parents = {}, {}
    for part in (ET.fromstring(z.read('styles.xml')), content):
        for st in part.iter(q('style', 'style')):
            name = st.get(q('style', 'name'))
            parents[name] = st.get(q('style', 'parent-style-name'))
            tp = st.find(q('style', 'text-properties'))
            if tp is not None:
                w = tp.get(q('fo', 'font-weight'))
                ls = tp.get(q('style', 'text-line-through-style'))
                props[name] = (None if ls is None else ls != 'none',
                               None if w is None else (w == 'bold' or (w.isdigit() and int(w) >= 600)))
    def look(name, i):
        while name:
            v = props.get(name, (None, None))[i]
            if v is not None: return v
            name = parents.get(name)
        return False
    def fmt(e, base):
        n = e.get(q('text', 'style-name'))
        return (look(n, 0), look(n, 1)) if n else base
    def walk(e, f, emit, skip=()):
        # Text in document order with its formatting; marks (change-start/-end) as events.
        if e.tag in skip: return
        emit(e, None, f)
        if e.tag in (q('text', 'p'), q('text', 'h')): emit(None, ' ', f)  # paragraphs part words
        if e.text: emit(None, e.text, f)
        for c in e:
            if c.tag == q('text', 's'): emit(None, ' ' * int(c.get(q('text', 'c'), '1')), f)
            elif c.tag in (q('text', 'tab'), q('text', 'line-break')): emit(None, ' ', f)
            else: walk(c, fmt(c, f), emit, skip)
            if c.tail: emit(None, c.tail, f)
    body = content.find(q('office', 'body'))
    if mode == 'table':
        for tr in body.iter(q('table', 'table-row')):
            out('R')
            for ci, tc in enumerate(tr.findall(q('table', 'table-cell'))):
                for p in [x for x in tc.iter() if x.tag in (q('text', 'p'), q('text', 'h'))]:
                    m = Marks()
                    walk(p, fmt(p, (False, False)), lambda e, t, f: t is not None and m.add(t, f[0], f[1]))
                    out('P', str(ci), m.text, m.marked['s'], m.marked['b'])
    else:
        kinds = {}
        tracked = body.find('.//' + q('text', 'tracked-changes'))
        for region in (tracked if tracked is not None else []):
            rid = region.get(q('text', 'id'))
            for k in region:
                if k.tag == q('text', 'deletion'):
                    kinds[rid] = 'D'
                    parts = []
                    walk(k, (False, False), lambda e, t, f: t is not None and parts.append(t), (q('office', 'change-info'),))
                    out('D', ''.join(parts))
                elif k.tag == q('text', 'insertion'): kinds[rid] = 'I'
        open_ids, text = set(), []
        def ins(e, t, f):
            if e is not None:
                if e.tag == q('text', 'change-start') and kinds.get(e.get(q('text', 'change-id'))) == 'I':
                    open_ids.add(e.get(q('text', 'change-id')))
                elif e.tag == q('text', 'change-end'):
                    if e.get(q('text', 'change-id')) in open_ids:
                        open_ids.discard(e.get(q('text', 'change-id')))
                        out('I', ''.join(text)); text.clear()
            elif open_ids: text.append(t)
        walk(body, (False, False), ins, (q('text', 'tracked-changes'),))
)PY";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '	');) f.push_back(field);
  if (!line.empty() && line.back() == '	') f.emplace_back();
  return f;
}

// The words of a UTF-8 text: runs of letters (Latin, Cyrillic) and digits.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string w;
  for (size_t i = 0; i <= text.size(); ++i) {
    const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    bool letter = false;
    size_t len = 1;
    if (c < 0x80) {
      letter = (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
    } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
      const unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
      letter = cp >= 0x400 && cp <= 0x52F;
      len = 2;
    } else {
      len = (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    }
    if (letter) {
      w.append(text, i, len);
    } else if (!w.empty()) {
      words.push_back(w);
      w.clear();
    }
    i += len - 1;
  }
  return words;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& words) {
  to.insert(to.end(), words.begin(), words.end());
}

std::string Joined(const std::vector<std::string>& words) {
  std::string s;
  for (const std::string& w : words) s += (s.empty() ? "" : " ") + w;
  return s;
}

struct Result {
  int code = -1;
  std::string out, err;
};

class HandOnCli : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::path(testing::TempDir()) / ("parvel_handon_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::ofstream(dir_ / "reader.py") << kReader;
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static std::string Pair(const char* side) {
    return (fs::path(PARVEL_CORPUS_DIR) / (std::string("07_konstitutsiya_") + side + ".htm")).string();
  }

  static Result Write(const char* command, const fs::path& out, const std::string& env = {}) {
    const std::string cmd = env + " " + Quote(std::string(PARVEL_BIN_DIR) + "/parvel-cli") + " " + command + " " +
                            Quote(Pair("old")) + " " + Quote(Pair("new")) + " " + Quote(out.string()) + " >" +
                            Quote((dir_ / "stdout").string()) + " 2>" + Quote((dir_ / "stderr").string());
    Result r;
    const int status = std::system(cmd.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(dir_ / "stdout");
    r.err = ReadFile(dir_ / "stderr");
    return r;
  }

  static std::vector<std::vector<std::string>> Read(const char* mode, const fs::path& file) {
    const std::string cmd = "python3 " + Quote((dir_ / "reader.py").string()) + " " + mode + " " + Quote(file.string());
    std::vector<std::vector<std::string>> lines;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return lines;
    std::string text;
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
    EXPECT_EQ(::pclose(p), 0) << cmd;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(Fields(line));
    return lines;
  }

  // The comparison as parvel-cli makes it, built here again.
  static const TComparisonModel& Model() {
    static const TComparisonModel model = [] {
      TDiff diff;
      return BuildComparisonModel(ReadViewTextFile(Pair("old")), ReadViewTextFile(Pair("new")), diff,
                                  kDefaultComparisonOptions);
    }();
    return model;
  }

  static bool HaveOffice() { return !input::FindSoffice().empty(); }

  static fs::path dir_;
};

fs::path HandOnCli::dir_;

// The marked words of one side of a row: of the table as built, or as read back (lines "P").
std::string Marked(const TTableCell& cell) {
  std::vector<std::string> words;
  for (const auto& paragraph : cell.Paragraphs) {
    std::string marked;
    for (const TTableSpan& s : paragraph) marked += s.Marked ? s.Text : " ";
    Append(words, Words(marked));
  }
  return Joined(words);
}

// Each row of the table read back: the left cell's struck words, the right cell's bold words.
// The header row is left out, and in each cell the paragraph that is the row's address.
std::vector<std::array<std::string, 2>> ReadRows(const std::vector<std::vector<std::string>>& lines,
                                                 const TComparisonTable& table) {
  std::vector<std::array<std::string, 2>> rows;
  std::vector<std::string> words[2];
  auto close = [&] {
    rows.push_back({Joined(words[0]), Joined(words[1])});
    words[0].clear(), words[1].clear();
  };
  for (const auto& f : lines) {
    if (f[0] == "R") {
      close();
    } else if (f[0] == "P" && f.size() == 5) {
      const int side = f[1] == "0" ? 0 : 1;
      const size_t row = rows.size() - 2;  // past what came before the header, and the header
      const TTableCell* cell = row < table.Rows.size() ? side ? &table.Rows[row].New : &table.Rows[row].Old : nullptr;
      if (cell && !cell->Address.empty() && Words(f[2]) == Words(cell->Address)) continue;
      Append(words[side], Words(f[side ? 4 : 3]));
    }
  }
  close();
  rows.erase(rows.begin(), rows.begin() + std::min<size_t>(rows.size(), 2));  // before and in the header
  return rows;
}

// The rows in order, each with exactly the removed words struck through on the left and the new
// words in bold on the right.
TEST_F(HandOnCli, TableMarksExactlyTheChangedWordsRowByRow) {
  if (!HaveOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  TTableTitles titles;
  titles.Name1 = fs::path(Pair("old")).filename().string();
  titles.Name2 = fs::path(Pair("new")).filename().string();
  const TComparisonTable table = BuildComparisonTable(Model(), BuildChangeList(Model()), titles);
  ASSERT_GT(table.Rows.size(), 5u);
  for (const char* name : {"table.docx", "table.odt"}) {
    SCOPED_TRACE(name);
    const Result r = Write("table", dir_ / name);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(name), std::string::npos) << r.out;
    const auto rows = ReadRows(Read("table", dir_ / name), table);
    ASSERT_EQ(rows.size(), table.Rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i][0], Marked(table.Rows[i].Old)) << "row " << i;
      EXPECT_EQ(rows[i][1], Marked(table.Rows[i].New)) << "row " << i;
    }
  }
}

// Accepting all gives the new text and rejecting all the old, so the deleted runs hold exactly the
// removed words and the inserted runs the new ones, in order.
TEST_F(HandOnCli, TrackedChangesHoldExactlyTheRemovedAndTheNewWords) {
  if (!HaveOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  const TTrackedEdition edition = BuildTrackedEdition(Model(), "2026-12-09T10:15:00");
  std::vector<std::string> want[2];
  for (const TTrackedParagraph& p : edition.Paragraphs) {
    std::string deleted, inserted;
    for (const TTrackedSpan& s : p.Spans) {
      deleted += s.Kind == TTrackKind::Deleted ? s.Text : " ";
      inserted += s.Kind == TTrackKind::Inserted ? s.Text : " ";
    }
    Append(want[0], Words(deleted));
    Append(want[1], Words(inserted));
  }
  ASSERT_GT(want[0].size(), 50u);
  ASSERT_GT(want[1].size(), 200u);
  for (const char* name : {"redline.docx", "redline.odt"}) {
    SCOPED_TRACE(name);
    const Result r = Write("redline", dir_ / name);
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> got[2];
    for (const auto& f : Read("tracked", dir_ / name)) Append(got[f[0] == "D" ? 0 : 1], Words(f[1]));
    EXPECT_EQ(Joined(got[0]), Joined(want[0]));
    EXPECT_EQ(Joined(got[1]), Joined(want[1]));
  }
}

// The page needs no office; its marks are <s><b> and <b>.
TEST_F(HandOnCli, TablePageIsWrittenWithoutTheOffice) {
  const fs::path page = dir_ / "table.htm";
  const Result r = Write("table", page, "PARVEL_SOFFICE=/nonexistent");
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string html = ReadFile(page);
  EXPECT_NE(html.find("<s><b>"), std::string::npos);
  EXPECT_NE(html.find("Редакция 2"), std::string::npos);
}

TEST_F(HandOnCli, FailuresWriteNothingAndSayWhyByTheirCode) {
  const fs::path absent = dir_ / "absent.docx";
  EXPECT_EQ(Write("table", dir_ / "t.txt").code, 2);
  EXPECT_EQ(Write("redline", dir_ / "t.htm").code, 2);
  EXPECT_FALSE(fs::exists(dir_ / "t.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "t.htm"));

  fs::create_directory(dir_ / "folder.docx");
  for (const char* command : {"table", "redline"}) {
    EXPECT_EQ(Write(command, dir_ / "folder.docx").code, 5) << command;
    EXPECT_TRUE(fs::is_directory(dir_ / "folder.docx"));

    const Result r = Write(command, absent, "PARVEL_SOFFICE=/nonexistent");
    EXPECT_EQ(r.code, 4) << command;
    EXPECT_NE(r.err.find("нужен LibreOffice, а он не найден"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(absent));
  }
  // A file already there is left as it was.
  std::ofstream(dir_ / "kept.odt") << "kept";
  EXPECT_EQ(Write("redline", dir_ / "kept.odt", "PARVEL_SOFFICE=/nonexistent").code, 4);
  EXPECT_EQ(ReadFile(dir_ / "kept.odt"), "kept");
}

}  // namespace

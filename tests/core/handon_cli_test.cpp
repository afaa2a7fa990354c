// parvel-cli table and redline: the written .docx and .odt opened as zip and XML (by python3,
// no office) and their marked words held against the comparison's own.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
//   tracked: "D <text>" for deleted and "I <text>" for inserted text, in document order;
//   changes: "C <kind> <old text> <new text>" for each change of the JSON.
// Runs of one kind that touch are joined; an unmarked run between two marked ones parts them.
constexpr const char* kReader = R"PY(
import sys, zipfile, json, xml.etree.ElementTree as ET
mode, path = sys.argv[1], sys.argv[2]
def clean(t): return t.replace('\t', ' ').replace('\n', ' ')
def out(*f): print('\t'.join(clean(x) for x in f))
if mode == 'changes':
    for c in json.load(open(path, encoding='utf-8'))['changes']:
        out('C', c['kind'], c['old']['text'] if c['old'] else '', c['new']['text'] if c['new'] else '')
    sys.exit(0)
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
    styles = {}
    try:
        for st in ET.fromstring(z.read('word/styles.xml')).iter(W + 'style'):
            styles[st.get(W + 'styleId')] = st.find(W + 'rPr')
    except KeyError: pass
    def flag(rpr, tag):
        if rpr is None: return None
        e = rpr.find(W + tag)
        if e is not None: return e.get(W + 'val', 'true') not in ('false', '0', 'none')
        rs = rpr.find(W + 'rStyle')
        return flag(styles.get(rs.get(W + 'val')), tag) if rs is not None else None
    if mode == 'table':
        for tr in doc.iter(W + 'tr'):
            out('R')
            for ci, tc in enumerate(tr.findall(W + 'tc')):
                for p in tc.iter(W + 'p'):
                    m = Marks()
                    for r in p.iter(W + 'r'):
                        t = ''.join(x.text or '' for x in r.iter(W + 't'))
                        rpr = r.find(W + 'rPr')
                        m.add(t, bool(flag(rpr, 'strike')), bool(flag(rpr, 'b')))
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
  std::string cur;
  for (char c : line) {
    if (c == '\t') {
      f.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  f.push_back(cur);
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

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// The words of a not in b, counted (both sorted).
std::vector<std::string> Minus(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::string> d;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(d));
  return d;
}

// ASCII and Cyrillic letters in lower case (the comparison finds no change in a case alone).
std::string Lower(std::string w) {
  for (size_t i = 0; i < w.size(); ++i) {
    unsigned char& c = reinterpret_cast<unsigned char&>(w[i]);
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    if (c == 0xD0 && i + 1 < w.size()) {
      unsigned char& n = reinterpret_cast<unsigned char&>(w[i + 1]);
      if (n >= 0x90 && n <= 0x9F) n = static_cast<unsigned char>(n + 0x20);  // А..П
      else if (n >= 0xA0 && n <= 0xAF) c = 0xD1, n = static_cast<unsigned char>(n - 0x20);  // Р..Я
      else if (n == 0x81) c = 0xD1, n = 0x91;  // Ё
      ++i;
    }
  }
  return w;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string s;
  for (const std::string& w : words) s += (s.empty() ? "" : " ") + w;
  return s;
}

struct TCellWords {
  std::vector<std::string> Struck, Bold;
  std::string Text;
};
struct TRowWords {
  TCellWords Cells[2];
};

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

  static fs::path Pair(const char* side) {
    return fs::path(PARVEL_CORPUS_DIR) / (std::string("07_konstitutsiya_") + side + ".htm");
  }

  static Result Cli(const std::string& args, const std::string& env = {}) {
    const std::string cmd = env + " " + Quote(std::string(PARVEL_BIN_DIR) + "/parvel-cli") + " " + args + " >" +
                            Quote((dir_ / "stdout").string()) + " 2>" + Quote((dir_ / "stderr").string());
    Result r;
    const int status = std::system(cmd.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(dir_ / "stdout");
    r.err = ReadFile(dir_ / "stderr");
    return r;
  }

  static Result Write(const char* command, const fs::path& out, const std::string& env = {}) {
    return Cli(std::string(command) + " " + Quote(Pair("old").string()) + " " + Quote(Pair("new").string()) + " " +
                   Quote(out.string()),
               env);
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
      std::string left = ReadViewTextFile(Pair("old").string()), right = ReadViewTextFile(Pair("new").string());
      TDiff diff;
      return BuildComparisonModel(std::move(left), std::move(right), diff, kDefaultComparisonOptions);
    }();
    return model;
  }

  // The changes' own words, from parvel-cli changes --format json.
  static std::vector<std::vector<std::string>> Changes() {
    const Result r = Cli("changes " + Quote(Pair("old").string()) + " " + Quote(Pair("new").string()) +
                         " --out " + Quote((dir_ / "changes.json").string()));
    EXPECT_EQ(r.code, 0) << r.err;
    return Read("changes", dir_ / "changes.json");
  }

  static bool HaveOffice() { return !input::FindSoffice().empty(); }

  static fs::path dir_;
};

fs::path HandOnCli::dir_;

// The table's rows as read back: the header row left out; in each cell the paragraphs that are
// the row's address left out (they are not words of the change).
std::vector<TRowWords> TableRows(const std::vector<std::vector<std::string>>& lines, const TComparisonTable& table) {
  std::vector<TRowWords> rows;
  for (const auto& f : lines) {
    if (f[0] == "R") {
      rows.emplace_back();
    } else if (f[0] == "P" && f.size() == 5 && !rows.empty()) {
      TCellWords& cell = rows.back().Cells[f[1] == "0" ? 0 : 1];
      cell.Text += f[2];
      const size_t row = rows.size() - 2;  // the first row is the header
      if (row < table.Rows.size()) {
        const TTableRow& r = table.Rows[row];
        const std::string& address = f[1] == "0" ? r.Old.Address : r.New.Address;
        if (!address.empty() && Words(f[2]) == Words(address)) continue;
      }
      Append(cell.Struck, Words(f[3]));
      Append(cell.Bold, Words(f[4]));
    }
  }
  if (!rows.empty()) rows.erase(rows.begin());
  return rows;
}

std::vector<std::string> MarkedWords(const TTableCell& cell) {
  std::vector<std::string> words;
  for (const auto& paragraph : cell.Paragraphs) {
    std::string marked;
    for (const TTableSpan& s : paragraph) marked += s.Marked ? s.Text : " ";
    Append(words, Words(marked));
  }
  return words;
}

TEST_F(HandOnCli, TableMarksExactlyTheChangedWordsRowByRow) {
  if (!HaveOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  TTableTitles titles;
  titles.Name1 = Pair("old").filename().string();
  titles.Name2 = Pair("new").filename().string();
  const TComparisonTable table = BuildComparisonTable(Model(), BuildChangeList(Model()), titles);
  ASSERT_FALSE(table.Rows.empty());

  // Independently of the table: the removed and the new words of the changes. A moved passage
  // may be shown marked on either side, so its words may come in addition.
  std::vector<std::string> removed, added, moved;
  for (const auto& c : Changes()) {
    if (c.size() != 4) continue;
    if (c[1] == "moved") {
      Append(moved, Words(c[2]));
      Append(moved, Words(c[3]));
    } else {
      Append(removed, Words(c[2]));
      Append(added, Words(c[3]));
    }
  }
  ASSERT_FALSE(removed.empty());
  ASSERT_FALSE(added.empty());
  removed = Sorted(removed), added = Sorted(added), moved = Sorted(moved);

  for (const char* name : {"table.docx", "table.odt"}) {
    SCOPED_TRACE(name);
    const Result r = Write("table", dir_ / name);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(name), std::string::npos) << r.out;
    const std::vector<TRowWords> rows = TableRows(Read("table", dir_ / name), table);
    ASSERT_EQ(rows.size(), table.Rows.size());
    std::vector<std::string> struck, bold;
    for (size_t i = 0; i < rows.size(); ++i) {
      const TTableRow& want = table.Rows[i];
      if (want.Gap) {
        EXPECT_EQ(Words(rows[i].Cells[0].Text + rows[i].Cells[1].Text), std::vector<std::string>()) << "row " << i;
        continue;
      }
      EXPECT_EQ(Joined(rows[i].Cells[0].Struck), Joined(MarkedWords(want.Old))) << "row " << i;
      EXPECT_EQ(Joined(rows[i].Cells[1].Bold), Joined(MarkedWords(want.New))) << "row " << i;
      Append(struck, rows[i].Cells[0].Struck);
      Append(bold, rows[i].Cells[1].Bold);
    }
    struck = Sorted(struck), bold = Sorted(bold);
    EXPECT_EQ(Joined(Minus(removed, struck)), "") << "removed words not struck through";
    EXPECT_EQ(Joined(Minus(added, bold)), "") << "new words not in bold";
    EXPECT_EQ(Joined(Minus(Minus(struck, removed), moved)), "") << "struck through, not removed";
    EXPECT_EQ(Joined(Minus(Minus(bold, added), moved)), "") << "in bold, not new";
  }
}

TEST_F(HandOnCli, TrackedChangesHoldExactlyTheRemovedAndTheNewWords) {
  if (!HaveOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  const TTrackedEdition edition = BuildTrackedEdition(Model(), "2026-12-09T10:15:00");
  std::vector<std::string> wantDeleted, wantInserted;
  for (const TTrackedParagraph& p : edition.Paragraphs) {
    std::string deleted, inserted;
    for (const TTrackedSpan& s : p.Spans) {
      deleted += s.Kind == TTrackKind::Deleted ? s.Text : " ";
      inserted += s.Kind == TTrackKind::Inserted ? s.Text : " ";
    }
    Append(wantDeleted, Words(deleted));
    Append(wantInserted, Words(inserted));
  }
  std::vector<std::string> removed, added;
  for (const auto& c : Changes())
    if (c.size() == 4) {
      Append(removed, Words(c[2]));
      Append(added, Words(c[3]));
    }
  // Exactly the changes' words, and besides them only words whose case alone changed: the
  // comparison sees none there, but accepting all must give the new text.
  removed = Sorted(removed), added = Sorted(added);
  const std::vector<std::string> deletedOnly = Minus(Sorted(wantDeleted), removed);
  const std::vector<std::string> insertedOnly = Minus(Sorted(wantInserted), added);
  EXPECT_EQ(Joined(Minus(removed, Sorted(wantDeleted))), "");
  EXPECT_EQ(Joined(Minus(added, Sorted(wantInserted))), "");
  std::vector<std::string> deletedLower, insertedLower;
  for (const std::string& w : deletedOnly) deletedLower.push_back(Lower(w));
  for (const std::string& w : insertedOnly) insertedLower.push_back(Lower(w));
  EXPECT_EQ(Joined(Sorted(deletedLower)), Joined(Sorted(insertedLower)));
  EXPECT_LT(deletedOnly.size(), 5u) << Joined(deletedOnly);

  for (const char* name : {"redline.docx", "redline.odt"}) {
    SCOPED_TRACE(name);
    const Result r = Write("redline", dir_ / name);
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> deleted, inserted;
    for (const auto& f : Read("tracked", dir_ / name)) Append(f[0] == "D" ? deleted : inserted, Words(f[1]));
    EXPECT_EQ(Joined(deleted), Joined(wantDeleted));
    EXPECT_EQ(Joined(inserted), Joined(wantInserted));
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

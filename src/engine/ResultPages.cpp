#include "engine/ResultPages.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <thread>
#include <vector>

#include "engine/BothSides.h"
#include "engine/ComparisonModel.h"
#include "engine/Diff.h"
#include "engine/HtmlScan.h"
#include "engine/MarkContract.h"
#include "engine/SplitHtml.h"
#include "support/Cp1251.h"
#include "support/FastStrings.h"
#include "support/OutputFiles.h"

namespace {

constexpr std::string_view kClose = marks::Close;
constexpr std::string_view kDeleteOpen = marks::DeleteOpen;
constexpr std::string_view kInsertOpen = marks::InsertOpen;
constexpr std::string_view kDeleteContinued = marks::DeleteContinued;
constexpr std::string_view kInsertContinued = marks::InsertContinued;
constexpr std::string_view kInsertPlace = marks::InsertPlace;
constexpr std::string_view kDeletePlace = marks::DeletePlace;
constexpr std::string_view kTableStart = "<table style=\"background-color:#ffffff; text-decoration: none\"";
// The most one change group adds: a deletion opening tag and its end tag, or a placeholder and
// the end tag of the mark it closes.
constexpr size_t kGroupReserve = 98;

// One page of the result: the left page marks deletions and shows insertion placeholders, the
// right page is its mirror image.
struct PageSide {
  TDiffKind surplus;         // runs of this kind only leave a placeholder on this page
  TDiffKind marked;          // this kind (and dkChange) is marked
  std::string_view open;     // opening tag of a mark
  std::string_view cont;     // opening tag of a continuation piece of a mark
  std::string_view place;    // placeholder
  bool left;
};

int32_t IndexOn(const TChangeRec& r, bool left) { return left ? r.Index1 : r.Index2; }

// The places of the two rewrites in a text: every "> </p>" becomes ">&nbsp;</p>" and every
// "<table" gets the white table style, both without regard to case. They are applied to the text
// while the page is copied, which is the same as applying them to the marked page: neither
// pattern holds the first byte of a token, where marks go. The one thing a mark can do is break
// "> </p>" after a ">" of the text: a piece open at its blank ends right before the "</p>".
struct Rewrite {
  size_t at;       // 0-based index of the pattern in the text
  bool table;      // "<table" (else "> </p>")
};

constexpr std::string_view kEmptyParagraph = "> </p>";
constexpr std::string_view kEmptyParagraphKept = ">&nbsp;</p>";
constexpr std::string_view kTableTag = "<table";

bool MatchesNoCase(const char* s, std::string_view pattern) {
  for (size_t k = 0; k < pattern.size(); ++k)
    if (cp1251::UpperTable[static_cast<unsigned char>(s[k])] != cp1251::UpperTable[static_cast<unsigned char>(pattern[k])])
      return false;
  return true;
}

// Both patterns hold a "<"; a page has one about every twenty bytes, so "<" is found with memchr
// and the rest compared by hand. Every "> </p>" is listed, overlapping ones too ("> </p> </p>"):
// which of them are replaced is decided while copying, left to right without overlapping, as
// ReplaceAllText takes them on the page.
std::vector<Rewrite> FindRewrites(const std::string& text) {
  std::vector<Rewrite> found;
  const char* s = text.data();
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const void* hit = std::memchr(s + i, '<', n - i);
    if (!hit) break;
    const size_t lt = static_cast<size_t>(static_cast<const char*>(hit) - s);
    if (lt + kTableTag.size() <= n && MatchesNoCase(s + lt, kTableTag))
      found.push_back({lt, true});
    else if (lt >= 2 && lt + 4 <= n && MatchesNoCase(s + lt - 2, kEmptyParagraph))
      found.push_back({lt - 2, false});
    i = lt + 1;
  }
  return found;
}

// Markup items inside the marked token runs of a page: each may end a piece of a mark and have
// the next one opened after it, so together they bound what the pieces add to the page.
size_t MarkupInMarkedRuns(const std::string& text, const std::vector<int32_t>& positions,
                          const std::vector<TChangeRec>& recs, const PageSide& side) {
  size_t count = 0;
  for (const TChangeRec& r : recs) {
    if (r.Kind != side.marked && r.Kind != dkChange) continue;
    const int32_t k = IndexOn(r, side.left);
    if (k < 0 || static_cast<size_t>(k) >= positions.size()) continue;
    const size_t from = static_cast<size_t>(positions[static_cast<size_t>(k)] - 1);
    const size_t to = static_cast<size_t>(k) + 1 < positions.size()
                          ? static_cast<size_t>(positions[static_cast<size_t>(k) + 1] - 1)
                          : text.size();
    for (size_t m = html_scan::NextMarkup(text, from, to); m < to;
         m = html_scan::NextMarkup(text, m + 1, to))
      ++count;
  }
  return count;
}

// A marked run is written as one or more pieces, each holding only text: a piece ends right
// before markup inside the run and the next one opens right before the run's next token. A mark
// open across markup would be cut by the browser's parser where that markup closes an element
// the mark lies in, and the rest of the change would show as unchanged text.
// A joined span (several runs shown as one change) has one mark on each page: its first piece
// is the one counted, a kind switch inside it keeps the mark open, and the other page's surplus
// inside it leaves no placeholder (the mark shows the place).
std::string BuildPage(const std::string& text, const std::vector<int32_t>& positions,
                      const std::vector<TChangeRec>& recs, size_t groups, const PageSide& side,
                      const std::string& tail, const std::vector<TRecordSpan>& joined, int& counter) {
  const std::vector<Rewrite> rewrites = FindRewrites(text);
  size_t tables = 0;
  for (const Rewrite& r : rewrites) tables += r.table;
  const size_t pieceBreaks = MarkupInMarkedRuns(text, positions, recs, side);
  std::string page;
  page.reserve(text.size() + kGroupReserve * groups + pieceBreaks * (kClose.size() + side.cont.size()) +
               tables * (kTableStart.size() - kTableTag.size()) +
               (rewrites.size() - tables) * (kEmptyParagraphKept.size() - kEmptyParagraph.size()) + tail.size());
  const size_t n = recs.size();
  size_t next = 0;  // 0-based index of the first byte not yet copied
  size_t nextRewrite = 0;
  size_t paragraphTaken = 0;  // a "> </p>" may not start before this (the end of the last one replaced)
  size_t nextToken = 0;       // index in positions of the first token not before next
  bool marking = false;       // inside a marked run
  bool pieceOpen = false;     // a piece of its mark is open
  auto positionOf = [&](const TChangeRec& r) -> size_t {
    const int32_t index = IndexOn(r, side.left);
    if (index < 0 || static_cast<size_t>(index) >= positions.size())
      throw std::logic_error("oops! change record outside the token list");
    return static_cast<size_t>(positions[static_cast<size_t>(index)] - 1);
  };
  // Copies the text up to q (0-based index of the first byte not to copy) with the rewrites.
  auto copyPlain = [&](size_t q) {
    // A pattern never straddles q: q is the start of a token or markup, or the end of the text.
    for (; nextRewrite < rewrites.size() && rewrites[nextRewrite].at < q; ++nextRewrite) {
      const Rewrite& r = rewrites[nextRewrite];
      if (r.table) {
        page.append(text, next, r.at - next);
        page.append(kTableStart);
        next = r.at + kTableTag.size();
      } else if (r.at >= paragraphTaken && !pieceOpen) {
        // Not when a piece is open at the blank: it ends before the "</p>" and breaks the pattern
        // (then q is that "</p>", inside the pattern, which is why this is tested first).
        page.append(text, next, r.at - next);
        page.append(kEmptyParagraphKept);
        next = r.at + kEmptyParagraph.size();
        paragraphTaken = next;
      }
    }
    page.append(text, next, q - next);
    next = q;
  };
  auto closePiece = [&] {
    if (pieceOpen) page.append(kClose);
    pieceOpen = false;
  };
  // Copies up to q, inside a marked run when marking.
  auto copyUpTo = [&](size_t q) {
    if (q < next || q > text.size()) throw std::logic_error("oops! change marks out of order");
    while (marking && next < q) {
      if (pieceOpen) {
        const size_t m = html_scan::NextMarkup(text, next, q);
        copyPlain(m);
        if (m < q) closePiece();
      } else {
        while (nextToken < positions.size() && static_cast<size_t>(positions[nextToken] - 1) < next) ++nextToken;
        const size_t t = nextToken < positions.size() ? static_cast<size_t>(positions[nextToken] - 1) : q;
        if (t >= q) break;
        copyPlain(t);
        page.append(side.cont);
        pieceOpen = true;
      }
    }
    copyPlain(q);
  };
  TDiffKind previous = dkSame;
  constexpr auto kNoKind = static_cast<TDiffKind>(0xFF);  // differs from every record's kind
  size_t span = 0;        // the first joined span not ended before the record at hand
  bool spanOpen = false;  // its mark is open
  auto inSpan = [&](size_t i) { return span < joined.size() && static_cast<size_t>(joined[span].From) <= i; };
  for (size_t i = 0; i < n; ++i) {
    if (span < joined.size() && static_cast<size_t>(joined[span].To) <= i) {
      if (spanOpen) previous = kNoKind;  // what follows a joined span starts anew
      spanOpen = false;
      while (span < joined.size() && static_cast<size_t>(joined[span].To) <= i) ++span;
    }
    if (inSpan(i)) {
      if (recs[i].Kind == side.surplus) continue;
      if (!spanOpen) {
        copyUpTo(positionOf(recs[i]));
        closePiece();
        page.append(side.open);
        pieceOpen = marking = spanOpen = true;
        ++counter;
      }
      previous = recs[i].Kind;
      continue;
    }
    if (recs[i].Kind == side.surplus) {
      while (i < n && recs[i].Kind == side.surplus && !inSpan(i)) ++i;
      copyUpTo(i < n ? positionOf(recs[i]) : text.size());
      closePiece();
      marking = false;
      page.append(side.place);
      ++counter;
      if (i < n && inSpan(i)) {  // a joined span right after: its own mark opens there
        --i;
        previous = kNoKind;
        continue;
      }
    }
    if (i < n && recs[i].Kind != previous) {
      copyUpTo(positionOf(recs[i]));
      closePiece();
      marking = recs[i].Kind == side.marked || recs[i].Kind == dkChange;
      if (marking) {
        page.append(side.open);
        pieceOpen = true;
        ++counter;
      }
      previous = recs[i].Kind;
    }
  }
  copyUpTo(text.size());
  closePiece();
  page.append(tail);
  return page;
}

}  // namespace

std::string PageHead(std::string_view styleSheetName) {
  std::string head =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\"/>"
      "<link rel=\"stylesheet\" href=\"";
  head.append(styleSheetName);
  head.append("\" type=\"text/css\"></head>");
  return head;
}

size_t FindBodyEndTag(std::string_view html) { return html_scan::FindBodyEnd(html); }

size_t FindBodyStartTag(std::string_view html) { return html_scan::FindBodyStart(html); }

TResultPages BuildResultPages(const TComparisonModel& model) {
  const std::vector<TChangeRec>& recs = model.Shown();
  size_t groups = 0;
  TDiffKind before = dkSame;
  for (const TChangeRec& r : recs) {
    if (r.Kind != before && r.Kind != dkSame) ++groups;
    before = r.Kind;
  }
  // Both pages are built at the same time.
  TResultPages pages;
  int counts[3] = {0, 0, 0};
  const bool parallel = model.Old.Text.size() + model.New.Text.size() >= engine_detail::kParallelBytes;
  engine_detail::BothSides(parallel, [&](int s) {
    const TComparedText& text = s == 1 ? model.Old : model.New;
    const PageSide side = s == 1 ? PageSide{dkInsert, dkDelete, kDeleteOpen, kDeleteContinued, kInsertPlace, true}
                                 : PageSide{dkDelete, dkInsert, kInsertOpen, kInsertContinued, kDeletePlace, false};
    (s == 1 ? pages.Left : pages.Right) =
        BuildPage(text.Text, text.Positions, recs, groups, side, text.Tail, model.Joined.Spans, counts[s]);
  });
  pages.ChangeCount = counts[2];
  return pages;
}

TResultPages BuildResultPages(std::string text1, std::string text2, TDiff& diff) {
  return BuildResultPages(BuildComparisonModel(std::move(text1), std::move(text2), diff, kLiteralComparison));
}

void ExtractBodyContent(std::string& s) {
  const int body = FindFromNoCase("<BODY", s, 1);
  if (body == 0) return;
  const int gt = FindFromNoCase(">", s, body + 5);
  if (gt == 0) return;
  // The start tag ends at its ">" outside attribute values (on plain markup the first ">").
  size_t cut = static_cast<size_t>(gt);
  const size_t tagEnd = html_scan::TagEnd(s, static_cast<size_t>(body - 1));
  if (tagEnd != std::string::npos && tagEnd > cut) cut = tagEnd;
  s.erase(0, cut);
  const size_t end = html_scan::FindBodyEnd(s);
  if (end != std::string::npos) s.resize(end);
}

namespace {

// Calls line(begin, end) for every line of content: lines end at CR, LF or CR LF, or at the end
// of a non-empty content; the break itself belongs to no line.
template <class Line>
void ForEachLine(std::string_view content, Line&& line) {
  const size_t n = content.size();
  const char* s = content.data();
  // Next CR and next LF at or after i; each is searched again only once passed.
  auto next = [&](char c, size_t from) {
    const void* p = std::memchr(s + from, c, n - from);
    return p ? static_cast<size_t>(static_cast<const char*>(p) - s) : n;
  };
  size_t i = 0, cr = 0, lf = 0;
  bool crKnown = false, lfKnown = false;
  while (i < n) {
    if (!crKnown || cr < i) cr = next('\r', i), crKnown = true;
    if (!lfKnown || lf < i) lf = next('\n', i), lfKnown = true;
    size_t j = std::min(cr, lf);
    line(i, j);
    if (j < n && content[j] == '\r' && j + 1 < n && content[j + 1] == '\n') ++j;
    i = j + 1;
  }
}

// Fills a file with the bytes as they are.
TFileFiller BytesFiller(const std::string& path, std::string_view bytes) {
  return [&path, bytes](int fd) {
    filecalls::TSpan span{bytes.data(), bytes.size()};
    WriteFully(fd, &span, 1, path);
  };
}

// Fills a file with the CR LF lines of content, straight from content, many lines to a call:
// no converted copy of the page is made.
TFileFiller CrLfFiller(const std::string& path, std::string_view content) {
  return [&path, content](int fd) {
    static const char kCrLf[] = "\r\n";
    constexpr int kBatch = 512;  // spans per call, two per line
    filecalls::TSpan iov[kBatch];
    int used = 0;
    ForEachLine(content, [&](size_t begin, size_t end) {
      if (used + 2 > kBatch) {
        WriteFully(fd, iov, used, path);
        used = 0;
      }
      if (end > begin) iov[used++] = {content.data() + begin, end - begin};
      iov[used++] = {kCrLf, 2};
    });
    WriteFully(fd, iov, used, path);
  };
}

}  // namespace

std::string ToCrLfLines(std::string_view content) {
  std::string out;
  out.reserve(content.size() + content.size() / 32 + 2);
  ForEachLine(content, [&](size_t begin, size_t end) {
    out.append(content.substr(begin, end - begin));
    out.append("\r\n");
  });
  return out;
}

std::string WriteTempBeside(const std::string& path, std::string_view bytes) {
  return WriteTempFile(path, BytesFiller(path, bytes));
}

std::string WriteCrLfTempBeside(const std::string& path, std::string_view content) {
  return WriteTempFile(path, CrLfFiller(path, content));
}

void CommitTemp(const std::string& tempPath, const std::string& path) { CommitTempFile(tempPath, path); }

void DiscardTemp(const std::string& tempPath) noexcept { ::unlink(tempPath.c_str()); }

void WritePageFile(const std::string& path, std::string_view content) { ReplaceFile(path, CrLfFiller(path, content)); }

void WriteFileReplacing(const std::string& path, std::string_view bytes) { ReplaceFile(path, BytesFiller(path, bytes)); }

void WritePagePair(const std::string& path1, std::string_view content1, const std::string& path2,
                   std::string_view content2) {
  ReplaceFilePair(path1, CrLfFiller(path1, content1), path2, CrLfFiller(path2, content2),
                  content1.size() + content2.size() >= engine_detail::kParallelBytes);
}

void WriteFilePair(const std::string& path1, std::string_view bytes1, const std::string& path2,
                   std::string_view bytes2) {
  ReplaceFilePair(path1, BytesFiller(path1, bytes1), path2, BytesFiller(path2, bytes2));
}

void FinishInterruptedPagePair(const std::string& path1, const std::string& path2) {
  FinishInterruptedPair(path1, path2);
}

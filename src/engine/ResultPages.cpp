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

// What one page shows at one place: a marked token range written in one or more pieces, or a
// placeholder for text the other page has.
struct PageMark {
  int32_t at = 0;          // its first token (the token count: the text's end)
  int32_t end = 0;         // the token after it; at for a placeholder
  std::string_view open;   // the opening tag of its first piece, or the whole placeholder
  std::string_view cont;   // the opening tag of further pieces; empty for a placeholder
  int32_t change = -1;     // the change whose first mark it is; -1 when it goes on with one
  bool Place() const { return cont.empty(); }
};


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

// Markup items inside the marked token ranges of a page: each may end a piece of a mark and have
// the next one opened after it, so together they bound what the pieces add to the page.
size_t MarkupInMarkedRuns(const std::string& text, const std::vector<int32_t>& positions,
                          const std::vector<PageMark>& marks) {
  size_t count = 0;
  const size_t tokens = positions.size();
  for (const PageMark& m : marks) {
    if (m.Place()) continue;
    const size_t from = static_cast<size_t>(positions[static_cast<size_t>(m.at)] - 1);
    const size_t to = static_cast<size_t>(m.end) < tokens ? static_cast<size_t>(positions[static_cast<size_t>(m.end)] - 1)
                                                          : text.size();
    for (size_t k = html_scan::NextMarkup(text, from, to); k < to; k = html_scan::NextMarkup(text, k + 1, to))
      ++count;
  }
  return count;
}

// A marked run is written as one or more pieces, each holding only text: a piece ends right
// before markup inside the run and the next one opens right before the run's next token. A mark
// open across markup would be cut by the browser's parser where that markup closes an element
// the mark lies in, and the rest of the change would show as unchanged text.
std::string BuildPage(const std::string& text, const std::vector<int32_t>& positions,
                      const std::vector<PageMark>& marks, const std::string& tail) {
  const std::vector<Rewrite> rewrites = FindRewrites(text);
  size_t tables = 0;
  for (const Rewrite& r : rewrites) tables += r.table;
  const size_t pieceBreaks = MarkupInMarkedRuns(text, positions, marks);
  size_t contSize = 0;
  for (const PageMark& m : marks) contSize = std::max(contSize, m.cont.size());
  std::string page;
  page.reserve(text.size() + kGroupReserve * marks.size() + pieceBreaks * (kClose.size() + contSize) +
               tables * (kTableStart.size() - kTableTag.size()) +
               (rewrites.size() - tables) * (kEmptyParagraphKept.size() - kEmptyParagraph.size()) + tail.size());
  size_t next = 0;  // 0-based index of the first byte not yet copied
  size_t nextRewrite = 0;
  size_t paragraphTaken = 0;  // a "> </p>" may not start before this (the end of the last one replaced)
  size_t nextToken = 0;       // index in positions of the first token not before next
  bool marking = false;       // inside a marked run
  bool pieceOpen = false;     // a piece of its mark is open
  std::string_view cont;      // the opening tag of the open mark's further pieces
  auto positionOf = [&](int32_t token) -> size_t {
    if (token < 0 || static_cast<size_t>(token) > positions.size())
      throw std::logic_error("oops! change mark outside the token list");
    return static_cast<size_t>(token) < positions.size() ? static_cast<size_t>(positions[static_cast<size_t>(token)] - 1)
                                                         : text.size();
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
        page.append(cont);
        pieceOpen = true;
      }
    }
    copyPlain(q);
  };
  for (const PageMark& m : marks) {
    copyUpTo(positionOf(m.at));
    page.append(m.open);
    if (m.Place()) continue;
    pieceOpen = marking = true;
    cont = m.cont;
    copyUpTo(positionOf(m.end));
    closePiece();
    marking = false;
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

namespace {

// The opening tags of one move end's pieces: its own colour and that of its edited words, each
// as a first piece and as a further one, all titled with the other end's place.
struct MoveEndTags {
  std::string open, cont, editOpen, editCont;
};

MoveEndTags MoveTags(bool oldEnd, int32_t otherParagraph) {
  const std::string title =
      cp1251::FromUtf8(oldEnd ? "Перенесено в абзац " : "Перенесено из абзаца ") +
      std::to_string(otherParagraph + 1) + "\">";
  auto tag = [&](std::string_view start) { return std::string(start) + title; };
  return {tag(marks::MovedOpenStart), tag(marks::MovedContinuedStart),
          tag(oldEnd ? marks::MovedDeletedStart : marks::MovedInsertedStart),
          tag(oldEnd ? marks::MovedDeletedContinuedStart : marks::MovedInsertedContinuedStart)};
}

// The marks of one page in text order, a placeholder before a mark at the same token.
std::vector<PageMark> MarksOfPage(const TComparisonModel& model, bool left, std::vector<MoveEndTags>& tags) {
  std::vector<PageMark> marks;
  marks.reserve(model.Runs.size());
  tags.reserve(model.Moves.size());
  size_t nextMove = 0;
  for (size_t n = 0; n < model.Runs.size(); ++n) {
    const TChangeRun& r = model.Runs[n];
    const int32_t change = static_cast<int32_t>(n);
    const int32_t first = left ? r.First1 : r.First2, count = left ? r.Count1 : r.Count2;
    if (r.Moved && nextMove < model.Moves.size() && model.Moves[nextMove].Run == change) {
      const TMovedPassage& move = model.Moves[nextMove++];
      tags.push_back(MoveTags(left, model.ParagraphOf(!left, left ? r.First2 : r.First1)));
      const MoveEndTags& t = tags.back();
      int32_t at = first;
      auto piece = [&](int32_t end, bool edited) {
        if (end <= at) return;
        const bool firstPiece = at == first;
        marks.push_back({at, end, firstPiece ? (edited ? t.editOpen : t.open) : (edited ? t.editCont : t.cont),
                         edited ? t.editCont : t.cont, firstPiece ? change : -1});
        at = end;
      };
      for (const TTokenRange& e : left ? move.Edited1 : move.Edited2) {
        piece(e.First, false);
        piece(e.End(), true);
      }
      piece(first + count, false);
    } else if (count == 0) {
      marks.push_back({first, first, left ? kInsertPlace : kDeletePlace, {}, change});
    } else {
      marks.push_back({first, first + count, left ? kDeleteOpen : kInsertOpen, left ? kDeleteContinued : kInsertContinued,
                       change});
    }
  }
  std::stable_sort(marks.begin(), marks.end(), [](const PageMark& a, const PageMark& b) {
    return a.at != b.at ? a.at < b.at : a.Place() && !b.Place();
  });
  return marks;
}

}  // namespace

TResultPages BuildResultPages(const TComparisonModel& model) {
  // Both pages are built at the same time.
  TResultPages pages;
  const bool parallel = model.Old.Text.size() + model.New.Text.size() >= engine_detail::kParallelBytes;
  engine_detail::BothSides(parallel, [&](int s) {
    const bool left = s == 1;
    const TComparedText& text = left ? model.Old : model.New;
    std::vector<MoveEndTags> tags;
    const std::vector<PageMark> marks = MarksOfPage(model, left, tags);
    std::vector<int32_t>& markOf = left ? pages.LeftMarks : pages.RightMarks;
    markOf.assign(model.Runs.size(), 0);
    int32_t counted = 0;
    for (const PageMark& m : marks)
      if (m.change >= 0) markOf[static_cast<size_t>(m.change)] = counted++;
    (left ? pages.Left : pages.Right) = BuildPage(text.Text, text.Positions, marks, text.Tail);
  });
  pages.ChangeCount = static_cast<int>(model.Runs.size());
  pages.Moved.reserve(model.Runs.size());
  for (const TChangeRun& r : model.Runs) pages.Moved.push_back(r.Moved);
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

#include "engine/ResultPages.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "engine/Diff.h"
#include "engine/HtmlScan.h"
#include "engine/SplitHtml.h"
#include "support/Cp1251.h"
#include "support/FastStrings.h"

namespace {

constexpr std::string_view kClose = "</acronym>";
constexpr std::string_view kDeleteOpen =
    "<acronym id=\"t_d\" style=\"background-color:#ffcccc; text-decoration: line-through\">";
constexpr std::string_view kInsertOpen = "<acronym id=\"t_d\" style=\"background-color:#ccffcc\">";
constexpr std::string_view kInsertPlace =
    "<acronym id=\"t_d\" style=\"background-color:#ccffcc\">&nbsp;</acronym>";
constexpr std::string_view kDeletePlace =
    "<acronym id=\"t_d\" style=\"background-color:#ffcccc\">&nbsp;</acronym>";
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
  std::string_view place;    // placeholder
  bool left;
};

int32_t IndexOn(const TChangeRec& r, bool left) { return left ? r.Index1 : r.Index2; }

// The places of the two rewrites in a text: every "> </p>" becomes ">&nbsp;</p>" and every
// "<table" gets the white table style, both without regard to case. Applying them to the text
// while the page is copied is the same as applying them to the marked page: neither pattern
// holds the first byte of a token, where marks go, and no mark, placed before a token or at the
// end, completes or breaks one.
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
// and the rest compared by hand. Matches are taken left to right without overlapping, as
// ReplaceAllText takes them.
std::vector<Rewrite> FindRewrites(const std::string& text) {
  std::vector<Rewrite> found;
  const char* s = text.data();
  const size_t n = text.size();
  size_t taken = 0;  // "> </p>" matches may not start before this (the end of the last one)
  for (size_t i = 0; i < n;) {
    const void* hit = std::memchr(s + i, '<', n - i);
    if (!hit) break;
    const size_t lt = static_cast<size_t>(static_cast<const char*>(hit) - s);
    if (lt + kTableTag.size() <= n && MatchesNoCase(s + lt, kTableTag)) {
      found.push_back({lt, true});
    } else if (lt >= 2 && lt - 2 >= taken && lt + 4 <= n && MatchesNoCase(s + lt - 2, kEmptyParagraph)) {
      found.push_back({lt - 2, false});
      taken = lt + 4;
    }
    i = lt + 1;
  }
  return found;
}

std::string BuildPage(const std::string& text, const std::vector<int32_t>& positions,
                      const std::vector<TChangeRec>& recs, size_t groups, const PageSide& side,
                      const std::string& tail, int& counter) {
  const std::vector<Rewrite> rewrites = FindRewrites(text);
  size_t tables = 0;
  for (const Rewrite& r : rewrites) tables += r.table;
  std::string page;
  page.reserve(text.size() + kGroupReserve * groups + tables * (kTableStart.size() - kTableTag.size()) +
               (rewrites.size() - tables) * (kEmptyParagraphKept.size() - kEmptyParagraph.size()) + tail.size());
  const size_t n = recs.size();
  size_t next = 0;  // 0-based index of the first byte not yet copied
  size_t nextRewrite = 0;
  auto positionOf = [&](const TChangeRec& r) -> size_t {
    const int32_t index = IndexOn(r, side.left);
    if (index < 0 || static_cast<size_t>(index) >= positions.size())
      throw std::logic_error("oops! change record outside the token list");
    return static_cast<size_t>(positions[static_cast<size_t>(index)] - 1);
  };
  auto copyUpTo = [&](size_t q) {  // q: 0-based index of the first byte not to copy
    if (q < next || q > text.size()) throw std::logic_error("oops! change marks out of order");
    // A pattern never straddles q: q is the start of a token or the end of the text.
    for (; nextRewrite < rewrites.size() && rewrites[nextRewrite].at < q; ++nextRewrite) {
      const Rewrite& r = rewrites[nextRewrite];
      page.append(text, next, r.at - next);
      page.append(r.table ? kTableStart : kEmptyParagraphKept);
      next = r.at + (r.table ? kTableTag.size() : kEmptyParagraph.size());
    }
    page.append(text, next, q - next);
    next = q;
  };
  TDiffKind previous = dkSame;
  bool open = false;
  for (size_t i = 0; i < n; ++i) {
    if (recs[i].Kind == side.surplus) {
      while (i < n && recs[i].Kind == side.surplus) ++i;
      copyUpTo(i < n ? positionOf(recs[i]) : text.size());
      if (open) page.append(kClose);
      open = false;
      page.append(side.place);
      ++counter;
    }
    if (i < n && recs[i].Kind != previous) {
      copyUpTo(positionOf(recs[i]));
      if (open) page.append(kClose);
      open = recs[i].Kind == side.marked || recs[i].Kind == dkChange;
      if (open) {
        page.append(side.open);
        ++counter;
      }
      previous = recs[i].Kind;
    }
  }
  copyUpTo(text.size());
  if (open) page.append(kClose);
  page.append(tail);
  return page;
}

std::string CutTail(std::string& text) {
  const size_t p = html_scan::FindBodyEnd(text);
  if (p == std::string::npos) return {};
  std::string tail = text.substr(p);
  text.resize(p);
  return tail;
}

// Replaces every "&nbsp;" (any case) by one space, in place: the text only shrinks.
void ReplaceNbsp(std::string& text) {
  static constexpr std::string_view kNbsp = "&nbsp;";
  char* s = text.data();
  const size_t n = text.size();
  size_t from = 0, out = 0;  // read and write positions
  for (size_t i = 0; i + kNbsp.size() <= n;) {
    const void* hit = std::memchr(s + i, '&', n - kNbsp.size() + 1 - i);
    if (!hit) break;
    const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - s);
    if (!MatchesNoCase(s + at, kNbsp)) {
      i = at + 1;
      continue;
    }
    if (out != from) std::memmove(s + out, s + from, at - from);
    out += at - from;
    s[out++] = ' ';
    from = i = at + kNbsp.size();
  }
  if (from == 0) return;  // none found
  std::memmove(s + out, s + from, n - from);
  text.resize(out + n - from);
}

std::runtime_error WriteError(const std::string& what, const std::string& path, int err) {
  return std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(err));
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

TResultPages BuildResultPages(std::string text1, std::string text2, TDiff& diff) {
  std::string tail1 = CutTail(text1);
  std::string tail2 = CutTail(text2);
  ReplaceNbsp(text1);
  ReplaceNbsp(text2);

  std::vector<int32_t> pos1, hash1, pos2, hash2;
  SplitHtml(text1, pos1, hash1);
  SplitHtml(text2, pos2, hash2);
  diff.CompareLists(hash1.data(), hash2.data(), static_cast<int>(hash1.size()), static_cast<int>(hash2.size()));
  const std::vector<TChangeRec>& recs = diff.Changes();

  size_t groups = 0;
  TDiffKind before = dkSame;
  for (const TChangeRec& r : recs) {
    if (r.Kind != before && r.Kind != dkSame) ++groups;
    before = r.Kind;
  }

  TResultPages pages;
  int leftCount = 0;
  pages.Left =
      BuildPage(text1, pos1, recs, groups, {dkInsert, dkDelete, kDeleteOpen, kInsertPlace, true}, tail1, leftCount);
  pages.Right = BuildPage(text2, pos2, recs, groups, {dkDelete, dkInsert, kInsertOpen, kDeletePlace, false}, tail2,
                          pages.ChangeCount);
  return pages;
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

void WriteAll(int fd, iovec* iov, int count, const std::string& path) {
  while (count > 0) {
    const ssize_t w = ::writev(fd, iov, count);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) throw WriteError("write", path, w < 0 ? errno : EIO);
    size_t done = static_cast<size_t>(w);
    for (; count > 0 && done >= iov->iov_len; ++iov, --count) done -= iov->iov_len;
    if (count > 0) {
      iov->iov_base = static_cast<char*>(iov->iov_base) + done;
      iov->iov_len -= done;
    }
  }
}

// Creates a temporary file beside path, lets write fill it and returns its name; on failure
// removes it and throws.
template <class Write>
std::string WriteTemp(const std::string& path, Write&& write) {
  std::string temp = path + ".tmpXXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) throw WriteError("write", path, errno);
  try {
    write(fd);
  } catch (...) {
    ::close(fd);
    ::unlink(temp.c_str());
    throw;
  }
  // mkstemp creates the file private to the user; pages are ordinary files.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    throw WriteError("write", path, err);
  }
  return temp;
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
  return WriteTemp(path, [&](int fd) {
    iovec iov{const_cast<char*>(bytes.data()), bytes.size()};
    WriteAll(fd, &iov, 1, path);
  });
}

std::string WriteCrLfTempBeside(const std::string& path, std::string_view content) {
  // The lines are written straight from content, with CR LF between them, many lines to a call:
  // no converted copy of the page is made.
  static char kCrLf[] = "\r\n";
  return WriteTemp(path, [&](int fd) {
    constexpr int kBatch = 512;  // iovecs per call, two per line; well below IOV_MAX
    iovec iov[kBatch];
    int used = 0;
    ForEachLine(content, [&](size_t begin, size_t end) {
      if (used + 2 > kBatch) {
        WriteAll(fd, iov, used, path);
        used = 0;
      }
      if (end > begin) iov[used++] = {const_cast<char*>(content.data()) + begin, end - begin};
      iov[used++] = {kCrLf, 2};
    });
    WriteAll(fd, iov, used, path);
  });
}

void CommitTemp(const std::string& tempPath, const std::string& path) {
  if (std::rename(tempPath.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tempPath.c_str());
    throw WriteError("replace", path, err);
  }
}

void DiscardTemp(const std::string& tempPath) noexcept { ::unlink(tempPath.c_str()); }

void WritePageFile(const std::string& path, std::string_view content) {
  CommitTemp(WriteCrLfTempBeside(path, content), path);
}

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

std::string BuildPage(const std::string& text, const std::vector<int32_t>& positions,
                      const std::vector<TChangeRec>& recs, size_t groups, const PageSide& side,
                      int& counter) {
  std::string page;
  page.reserve(text.size() + kGroupReserve * groups);
  const size_t n = recs.size();
  size_t next = 0;  // 0-based index of the first byte not yet copied
  auto positionOf = [&](const TChangeRec& r) -> size_t {
    const int32_t index = IndexOn(r, side.left);
    if (index < 0 || static_cast<size_t>(index) >= positions.size())
      throw std::logic_error("oops! change record outside the token list");
    return static_cast<size_t>(positions[static_cast<size_t>(index)] - 1);
  };
  auto copyUpTo = [&](size_t q) {  // q: 0-based index of the first byte not to copy
    if (q < next || q > text.size()) throw std::logic_error("oops! change marks out of order");
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
  return page;
}

std::string CutTail(std::string& text) {
  const size_t p = html_scan::FindBodyEnd(text);
  if (p == std::string::npos) return {};
  std::string tail = text.substr(p);
  text.resize(p);
  return tail;
}

// ReplaceAllText without regard to case, for patterns whose first byte has no case partner:
// candidates are found with memchr, which is several times faster over whole pages.
std::string ReplaceNoCase(const std::string& source, std::string_view find, std::string_view replacement) {
  const unsigned char first = static_cast<unsigned char>(find[0]);
  if (cp1251::UpperTable[first] != first || cp1251::LowerTable[first] != first)
    return ReplaceAllText(source, find, replacement, false);
  std::string result;
  result.reserve(source.size() + source.size() / 64);
  const char* s = source.data();
  const size_t n = source.size(), m = find.size();
  size_t copied = 0, from = 0;
  while (from + m <= n) {
    const void* hit = std::memchr(s + from, first, n - m + 1 - from);
    if (!hit) break;
    const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - s);
    size_t k = 1;
    while (k < m && cp1251::UpperTable[static_cast<unsigned char>(s[at + k])] ==
                        cp1251::UpperTable[static_cast<unsigned char>(find[k])])
      ++k;
    if (k < m) {
      from = at + 1;
      continue;
    }
    result.append(s + copied, at - copied);
    result.append(replacement);
    copied = from = at + m;
  }
  result.append(s + copied, n - copied);
  return result;
}

std::string Rewrite(const std::string& page) {
  return ReplaceNoCase(ReplaceNoCase(page, "> </p>", ">&nbsp;</p>"), "<table", kTableStart);
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
  text1 = ReplaceNoCase(text1, "&nbsp;", " ");
  text2 = ReplaceNoCase(text2, "&nbsp;", " ");

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
  pages.Left = BuildPage(text1, pos1, recs, groups, {dkInsert, dkDelete, kDeleteOpen, kInsertPlace, true}, leftCount);
  pages.Right = BuildPage(text2, pos2, recs, groups, {dkDelete, dkInsert, kInsertOpen, kDeletePlace, false},
                          pages.ChangeCount);
  pages.Left = Rewrite(pages.Left) + tail1;
  pages.Right = Rewrite(pages.Right) + tail2;
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

std::string ToCrLfLines(std::string_view content) {
  std::string out;
  out.reserve(content.size() + content.size() / 32 + 2);
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
    out.append(content.substr(i, j - i));
    out.append("\r\n");
    if (j < n && content[j] == '\r' && j + 1 < n && content[j + 1] == '\n') ++j;
    i = j + 1;
  }
  return out;
}

std::string WriteTempBeside(const std::string& path, std::string_view bytes) {
  std::string temp = path + ".tmpXXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) throw WriteError("write", path, errno);
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t w = ::write(fd, p, left);
    if (w < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      throw WriteError("write", path, err);
    }
    p += w;
    left -= static_cast<size_t>(w);
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

void CommitTemp(const std::string& tempPath, const std::string& path) {
  if (std::rename(tempPath.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tempPath.c_str());
    throw WriteError("replace", path, err);
  }
}

void DiscardTemp(const std::string& tempPath) noexcept { ::unlink(tempPath.c_str()); }

void WritePageFile(const std::string& path, std::string_view content) {
  CommitTemp(WriteTempBeside(path, ToCrLfLines(content)), path);
}

#pragma once
// Builds the two marked result pages of a comparison and writes pages to disk.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TDiff;
struct TComparisonModel;

// The page head linking the given style sheet, up to and including "</head>".
std::string PageHead(std::string_view styleSheetName);

struct TResultPages {
  std::string Left;   // c1.htm: text 1 with deletion marks and insertion placeholders
  std::string Right;  // c2.htm: text 2 with insertion marks and deletion placeholders
  int ChangeCount = 0;
  // For change n (in the counter's order), the index of its first mark (id t_d) among the marks
  // of each page in document order: a moved passage stands at different places on the two pages.
  std::vector<int32_t> LeftMarks, RightMarks;
  std::vector<uint8_t> Moved;  // for change n: 1 when it is a moved passage
};

// From text 1 and text 2 (head + body outer HTML + "</html>") builds both pages: cuts the
// tails, replaces "&nbsp;", splits, diffs with the caller's diff object (so that a stop button
// can cancel it), marks the changes, applies the paragraph and table rewrites and appends the
// tails. Checking the abort request and emptying the pages is the caller's.
TResultPages BuildResultPages(std::string text1, std::string text2, TDiff& diff);
// Both pages of a comparison, marked as the model shows its changes.
TResultPages BuildResultPages(const TComparisonModel& model);

// Cuts an HTML page down to the content of its body element, in place.
void ExtractBodyContent(std::string& s);

// Writing outputs (see support/OutputFiles.h): every writer refuses an existing entry that is
// not a regular file, replaces a file with one rename under its folder's lock, and throws
// EOutputError (a std::runtime_error) with a Russian message naming the path. Nothing is left
// half-written.

// Writes content as CR LF lines and replaces path with it.
void WritePageFile(const std::string& path, std::string_view content);
// Replaces path with bytes as they are (a PDF, a marked body).
void WriteFileReplacing(const std::string& path, std::string_view bytes);

// The bytes WritePageFile writes: every line (ended by CR, LF or CR LF, or by the end of a
// non-empty content) followed by CR LF.
std::string ToCrLfLines(std::string_view content);

// Two-step writing for one file: written completely to a temporary file beside its target, then
// renamed into place. A failed step leaves no temporary behind.
std::string WriteTempBeside(const std::string& path, std::string_view bytes);
void CommitTemp(const std::string& tempPath, const std::string& path);
// WriteTempBeside of ToCrLfLines(content), without making the converted copy.
std::string WriteCrLfTempBeside(const std::string& path, std::string_view content);
void DiscardTemp(const std::string& tempPath) noexcept;

// Writes both pages as CR LF lines and replaces both files as a pair: at every moment the pair
// is the old one or the new one, or a stopped replacement that the next writer of the folder
// (or FinishInterruptedPagePair) completes. Concurrent writers of one folder take turns; the last
// one wins. On failure both keep their earlier content.
void WritePagePair(const std::string& path1, std::string_view content1, const std::string& path2,
                   std::string_view content2);
// The same for files written as they are (the PDFs of a batch print).
void WriteFilePair(const std::string& path1, std::string_view bytes1, const std::string& path2,
                   std::string_view bytes2);
// For a reader of a pair: completes a replacement that a stopped run left and removes the
// leftovers of interrupted runs.
void FinishInterruptedPagePair(const std::string& path1, const std::string& path2);

// 0-based index of the body end tag that ends the body (not one inside a comment, a script or
// an attribute value, nor a longer tag name such as "</bodyguard>"), or std::string::npos.
size_t FindBodyEndTag(std::string_view html);
// The same for the body start tag.
size_t FindBodyStartTag(std::string_view html);

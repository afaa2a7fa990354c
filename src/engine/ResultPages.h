#pragma once
// Builds the two marked result pages of a comparison and writes pages to disk.
#include <cstddef>
#include <string>
#include <string_view>

class TDiff;

// The page head linking the given style sheet, up to and including "</head>".
std::string PageHead(std::string_view styleSheetName);

struct TResultPages {
  std::string Left;   // c1.htm: text 1 with deletion marks and insertion placeholders
  std::string Right;  // c2.htm: text 2 with insertion marks and deletion placeholders
  int ChangeCount = 0;
};

// From text 1 and text 2 (head + body outer HTML + "</html>") builds both pages: cuts the
// tails, replaces "&nbsp;", splits, diffs with the caller's diff object (so that a stop button
// can cancel it), marks the changes, applies the paragraph and table rewrites and appends the
// tails. Checking the abort request and emptying the pages is the caller's.
TResultPages BuildResultPages(std::string text1, std::string text2, TDiff& diff);

// Cuts an HTML page down to the content of its body element, in place.
void ExtractBodyContent(std::string& s);

// Writes content as CR LF lines, atomically (a temporary file renamed over the target).
// Throws std::runtime_error with a message naming the path on failure; no partial file is left.
void WritePageFile(const std::string& path, std::string_view content);

// The bytes WritePageFile writes: every line (ended by CR, LF or CR LF, or by the end of a
// non-empty content) followed by CR LF.
std::string ToCrLfLines(std::string_view content);

// Two-step writing for callers that must replace several files together: each file is first
// written completely to a temporary file beside its target, then all are renamed into place.
// Throw std::runtime_error naming the target path; a failed step leaves no temporary behind.
std::string WriteTempBeside(const std::string& path, std::string_view bytes);
void CommitTemp(const std::string& tempPath, const std::string& path);
// WriteTempBeside of ToCrLfLines(content), without making the converted copy.
std::string WriteCrLfTempBeside(const std::string& path, std::string_view content);
void DiscardTemp(const std::string& tempPath) noexcept;

// Writes both pages as CR LF lines and replaces both files together. Before either is replaced
// both are checked to be replaceable (no folder stands there, the old file can be moved aside);
// on any failure both keep their earlier content and no temporary is left. Throws
// std::runtime_error naming the file that could not be written or replaced.
void WritePagePair(const std::string& path1, std::string_view content1, const std::string& path2,
                   std::string_view content2);

// 0-based index of the body end tag that ends the body (not one inside a comment, a script or
// an attribute value, nor a longer tag name such as "</bodyguard>"), or std::string::npos.
size_t FindBodyEndTag(std::string_view html);
// The same for the body start tag.
size_t FindBodyStartTag(std::string_view html);

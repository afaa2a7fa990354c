#pragma once
// Reads a file the user opens as one of the two texts: an HTML page in any of the code pages we
// know, plain text, or an office document converted by LibreOffice. The result is HTML in
// Windows-1251, the program's one encoding; characters Windows-1251 lacks are kept as numeric
// character references.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "input/CodePage.h"
#include "input/OfficeConverter.h"

namespace input {

// A file that cannot be opened as a text; what() is the message for the user (in Russian,
// naming the file).
class EReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TSourceKind { skHtml, skText, skOffice };

inline constexpr uint64_t kMaxFileBytes = 200ull * 1024 * 1024;

struct TReadOptions {
  uint64_t MaxBytes = kMaxFileBytes;
  TOfficeOptions Office;
};

struct TDocument {
  // HTML pages and office documents: the whole page; plain text: paragraphs without a body
  // element. A Windows-1251 page is its file's bytes unchanged. Empty for an empty file.
  std::string Html;
  TSourceKind Kind = TSourceKind::skHtml;
  TCodePage CodePage = TCodePage::cpWindows1251;  // of the file (of LibreOffice's page for office)
};

// The file dialog's kinds: "*.htm *.html …".
inline constexpr const char* kHtmlPatterns = "*.htm *.html *.xhtml";
inline constexpr const char* kTextPatterns = "*.txt";
inline constexpr const char* kOfficePatterns = "*.docx *.doc *.odt *.rtf";

// How a file is read: by its content where it tells (a zip or compound document or "{\rtf" is an
// office document, whatever its name), else by its extension (".txt" is text, the office
// extensions are office documents); everything else is read as HTML.
TSourceKind KindOf(const std::string& path, std::string_view head);

// Reads and converts the file. Throws EReadError (missing, a folder, unreadable, over
// options.MaxBytes, binary, or a failed office conversion).
TDocument ReadDocument(const std::string& path, const TReadOptions& options = {});

// The file's bytes. Throws EReadError as ReadDocument does for a missing, unreadable or too
// large file or a folder.
std::string ReadFileBytes(const std::string& path, uint64_t maxBytes);

// What a view's body is to hold: the content of the body element, or the whole text when it
// has none.
std::string BodyContent(std::string_view html);

// Removes every <img …> tag (office documents arrive without their pictures).
std::string DropImages(std::string_view html);

}  // namespace input

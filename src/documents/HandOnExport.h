#pragma once
// Writing a handed-on document in the format its file name asks for: HTML directly, the office
// formats (.docx, .odt, .pdf) by LibreOffice run headless from the flat OpenDocument. The file is
// replaced atomically and only when it is (or will be) a regular file; on failure nothing of the
// user's is touched.
#include <functional>
#include <stdexcept>
#include <string>

struct TComparisonTable;
struct TTrackedEdition;

// Fodt: the flat OpenDocument itself, as written before any conversion (for checks and timing).
enum class THandOnFormat { Docx, Odt, Pdf, Htm, Fodt };

// By the extension, case-insensitively (".htm" and ".html" are Htm, ".fodt" is Fodt); false for
// any other.
bool HandOnFormatOf(const std::string& path, THandOnFormat& format);

// A failure with a message for the user (Russian): LibreOffice missing, failed, cancelled or
// past its time; a format the document cannot have.
class EHandOnError : public std::runtime_error {
 public:
  enum TKind { hoNoOffice, hoOfficeFailed, hoCancelled, hoTimedOut, hoFormat };
  EHandOnError(TKind kind, const std::string& message) : std::runtime_error(message), Kind(kind) {}
  TKind Kind;
};

struct THandOnOptions {
  std::string Soffice;  // empty: found as for opening office documents
  int TimeoutSeconds = 300;
  // Called about every 50 ms while the office works; false cancels.
  std::function<bool()> Idle;
};

// Throw EHandOnError, or EOutputError for a path that cannot be written.
void WriteComparisonTable(const TComparisonTable& table, const std::string& path, const THandOnOptions& options);
// .docx, .odt or .pdf; .htm is EHandOnError(hoFormat).
void WriteTrackedEdition(const TTrackedEdition& edition, const std::string& path, const THandOnOptions& options);

#pragma once
// One headless LibreOffice conversion (soffice --convert-to FILTER) in a private temporary folder
// that is removed with everything in it afterwards, with a time limit, a way to cancel and a
// reusable profile. Opening office documents and writing the handed-on ones both go through it.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace input {

// What the conversion is for: the messages say "преобразовать" or "записать".
enum class TOfficeTask { Open, Write };

// A failure with a message for the user (Russian) naming the file.
class EOfficeError : public std::runtime_error {
 public:
  enum TKind { oeNoOffice, oeFailed, oeCancelled, oeTimedOut };
  EOfficeError(TKind kind, const std::string& message) : std::runtime_error(message), Kind(kind) {}
  TKind Kind;
};

struct TOfficeRun {
  std::string Soffice;  // the program; empty: FindSoffice()
  std::string Filter;   // of --convert-to: "html", "docx:MS Word 2007 XML", "pdf:writer_pdf_Export"
  // The extensions (".html") of the file the conversion makes; the first one found is taken.
  std::vector<std::string> Produced;
  TOfficeTask Task = TOfficeTask::Open;
  std::string Name;  // the user's file the messages name
  int TimeoutSeconds = 180;
  std::function<bool()> Idle;  // about every 50 ms; false cancels
};

class TOfficeProcess {
 public:
  // Creates the private folder; throws EOfficeError(oeFailed) when it cannot.
  TOfficeProcess();
  ~TOfficeProcess();
  TOfficeProcess(const TOfficeProcess&) = delete;
  TOfficeProcess& operator=(const TOfficeProcess&) = delete;

  // The private folder, where a caller may put the source it writes itself.
  const std::string& Folder() const { return folder_; }

  // Converts source and returns the bytes LibreOffice made. Throws EOfficeError.
  std::string Convert(const std::string& source, const TOfficeRun& run);

 private:
  std::string folder_;
};

// The LibreOffice program: preferred when given; else $PARVEL_SOFFICE, then "soffice" /
// "libreoffice" on the PATH, then the usual installation folders. Empty when none is there.
std::string FindSoffice(const std::string& preferred = {});

// The message for a missing LibreOffice, as the task says it.
std::string NoOfficeMessage(TOfficeTask task);

}  // namespace input

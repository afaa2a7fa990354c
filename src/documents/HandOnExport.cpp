#include "documents/HandOnExport.h"

#include <filesystem>
#include <fstream>
#include <string_view>

#include "documents/FlatOdt.h"
#include "documents/TableHtml.h"
#include "input/OfficeProcess.h"
#include "support/OutputFiles.h"

namespace fs = std::filesystem;

namespace {

void ReplaceWith(const std::string& path, std::string_view bytes) {
  ReplaceFile(path, [&](int fd) {
    filecalls::TSpan span{bytes.data(), bytes.size()};
    WriteFully(fd, &span, 1, path);
  });
}

// The filter of --convert-to and the extension of what it makes.
struct TOfficeFilter {
  const char* Filter;
  const char* Extension;
};

TOfficeFilter FilterOf(THandOnFormat format) {
  switch (format) {
    case THandOnFormat::Docx: return {"docx:MS Word 2007 XML", ".docx"};
    case THandOnFormat::Odt: return {"odt", ".odt"};
    default: return {"pdf:writer_pdf_Export", ".pdf"};
  }
}

// The flat document converted by the office, then put in place whole. Nothing of the user's is
// touched before the office has produced the file.
void WriteThroughOffice(const std::string& flatOdt, THandOnFormat format, const std::string& path,
                        const THandOnOptions& options) {
  const TOfficeFilter filter = FilterOf(format);
  input::TOfficeRun run;
  run.Soffice = options.Soffice;
  run.Filter = filter.Filter;
  run.Produced = {filter.Extension};
  run.Task = input::TOfficeTask::Write;
  run.Name = fs::path(path).filename().string();
  run.TimeoutSeconds = options.TimeoutSeconds;
  run.Idle = options.Idle;
  std::string bytes;
  try {
    if (input::FindSoffice(options.Soffice).empty())
      throw input::EOfficeError(input::EOfficeError::oeNoOffice, input::NoOfficeMessage(run.Task));
    input::TOfficeProcess office;
    const std::string source = (fs::path(office.Folder()) / "document.fodt").string();
    std::ofstream out(source, std::ios::binary);
    out << flatOdt;
    out.close();
    if (!out)
      throw EHandOnError(EHandOnError::hoOfficeFailed,
                         "Не могу записать временный файл для преобразования в " + run.Name + ".");
    bytes = office.Convert(source, run);
  } catch (const input::EOfficeError& e) {
    const EHandOnError::TKind kind = e.Kind == input::EOfficeError::oeNoOffice    ? EHandOnError::hoNoOffice
                                     : e.Kind == input::EOfficeError::oeCancelled ? EHandOnError::hoCancelled
                                     : e.Kind == input::EOfficeError::oeTimedOut  ? EHandOnError::hoTimedOut
                                                                                  : EHandOnError::hoOfficeFailed;
    throw EHandOnError(kind, e.what());
  }
  ReplaceWith(path, bytes);
}

THandOnFormat FormatFor(const std::string& path) {
  THandOnFormat format;
  if (!HandOnFormatOf(path, format))
    throw EHandOnError(EHandOnError::hoFormat, "Не могу записать файл " + fs::path(path).filename().string() +
                                                   ": документ записывается как .docx, .odt, .pdf или .htm.");
  return format;
}

}  // namespace

bool HandOnFormatOf(const std::string& path, THandOnFormat& format) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (ext == ".docx") format = THandOnFormat::Docx;
  else if (ext == ".odt") format = THandOnFormat::Odt;
  else if (ext == ".pdf") format = THandOnFormat::Pdf;
  else if (ext == ".htm" || ext == ".html") format = THandOnFormat::Htm;
  else if (ext == ".fodt") format = THandOnFormat::Fodt;
  else return false;
  return true;
}

void WriteComparisonTable(const TComparisonTable& table, const std::string& path, const THandOnOptions& options) {
  const THandOnFormat format = FormatFor(path);
  CheckOutputPath(path);
  if (format == THandOnFormat::Htm) return ReplaceWith(path, TableHtml(table));
  if (format == THandOnFormat::Fodt) return ReplaceWith(path, TableFlatOdt(table));
  WriteThroughOffice(TableFlatOdt(table), format, path, options);
}

void WriteTrackedEdition(const TTrackedEdition& edition, const std::string& path, const THandOnOptions& options) {
  const THandOnFormat format = FormatFor(path);
  if (format == THandOnFormat::Htm)
    throw EHandOnError(EHandOnError::hoFormat, "Документ с исправлениями пишется как .docx, .odt или .pdf, а не .htm.");
  CheckOutputPath(path);
  if (format == THandOnFormat::Fodt) return ReplaceWith(path, TrackedFlatOdt(edition));
  WriteThroughOffice(TrackedFlatOdt(edition), format, path, options);
}

#include "input/OfficeConverter.h"

#include <filesystem>

#include "input/DocumentReader.h"

namespace input {

std::string ConvertOfficeToHtml(const std::string& path, const TOfficeOptions& options) {
  TOfficeRun run;
  run.Soffice = options.Soffice;
  run.Filter = "html";
  run.Produced = {".html", ".htm"};
  run.Task = TOfficeTask::Open;
  run.Name = std::filesystem::path(path).filename().string();
  run.TimeoutSeconds = options.TimeoutSeconds;
  run.Idle = options.Idle;
  try {
    // Checked before the folder is made, as the program would be missing either way.
    if (FindSoffice(options.Soffice).empty()) throw EOfficeError(EOfficeError::oeNoOffice, NoOfficeMessage(run.Task));
    TOfficeProcess office;
    return office.Convert(path, run);
  } catch (const EOfficeError& e) {
    throw EReadError(e.what());
  }
}

}  // namespace input

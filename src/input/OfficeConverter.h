#pragma once
// Office documents (.docx, .doc, .odt, .rtf) as HTML, converted by LibreOffice run headless in a
// private temporary folder that is removed afterwards.
#include <functional>
#include <string>

#include "input/OfficeProcess.h"

namespace input {

struct TOfficeOptions {
  // The LibreOffice program; empty: $PARVEL_SOFFICE, then "soffice" / "libreoffice" on the PATH,
  // then the usual installation folders.
  std::string Soffice;
  int TimeoutSeconds = 180;
  // Called about every 50 ms while LibreOffice works (a window keeps itself painted here);
  // returning false cancels the conversion.
  std::function<bool()> Idle;
};

// The HTML LibreOffice makes of the document (its own bytes, UTF-8 with a declaration).
// Throws EReadError with a message for the user when LibreOffice is missing, fails, is
// cancelled or runs past the time limit.
std::string ConvertOfficeToHtml(const std::string& path, const TOfficeOptions& options);

}  // namespace input

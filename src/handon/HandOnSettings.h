#pragma once
// What the save dialog of a handed-on document remembers between its uses, in the program's
// settings: the folder, the format (per document) and the table's column headings.
#include <QString>

#include "handon/HandOnFormats.h"

struct THandOnChoice {
  QString Folder;  // empty: none remembered yet
  THandOnFormat Format = THandOnFormat::Docx;
  QString Column1 = QStringLiteral("Редакция 1");
  QString Column2 = QStringLiteral("Редакция 2");
};

THandOnChoice SavedHandOnChoice(THandOnDocument document);
void SaveHandOnChoice(THandOnDocument document, const THandOnChoice& choice);

#pragma once
// The formats a handed-on document is offered in, with their names and extensions.
#include <QString>

#include <vector>

#include "documents/HandOnExport.h"

// Which of the two documents.
enum class THandOnDocument { Table, Tracked };

// In the order the save dialog lists them: .htm only for the table.
std::vector<THandOnFormat> FormatsOf(THandOnDocument document);
// «Документ Word», «PDF»…
QString FormatName(THandOnFormat format);
// "docx", "odt", "pdf", "htm".
QString FormatSuffix(THandOnFormat format);
// A file dialog's filter: «Документ Word (*.docx)».
QString FormatFilter(THandOnFormat format);
// The format of a file name's extension among those offered for the document; false for none.
bool OfferedFormatOf(THandOnDocument document, const QString& path, THandOnFormat& format);

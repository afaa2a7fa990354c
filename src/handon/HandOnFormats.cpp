#include "handon/HandOnFormats.h"

#include <QFileInfo>

std::vector<THandOnFormat> FormatsOf(THandOnDocument document) {
  std::vector<THandOnFormat> formats{THandOnFormat::Docx, THandOnFormat::Odt, THandOnFormat::Pdf};
  if (document == THandOnDocument::Table) formats.push_back(THandOnFormat::Htm);
  return formats;
}

QString FormatName(THandOnFormat format) {
  switch (format) {
    case THandOnFormat::Docx: return QStringLiteral("Документ Word");
    case THandOnFormat::Odt: return QStringLiteral("Документ OpenDocument");
    case THandOnFormat::Pdf: return QStringLiteral("PDF");
    case THandOnFormat::Htm: return QStringLiteral("Веб-страница");
    case THandOnFormat::Fodt: return QStringLiteral("Документ OpenDocument (плоский XML)");
  }
  return {};
}

QString FormatSuffix(THandOnFormat format) {
  switch (format) {
    case THandOnFormat::Docx: return QStringLiteral("docx");
    case THandOnFormat::Odt: return QStringLiteral("odt");
    case THandOnFormat::Pdf: return QStringLiteral("pdf");
    case THandOnFormat::Htm: return QStringLiteral("htm");
    case THandOnFormat::Fodt: return QStringLiteral("fodt");
  }
  return {};
}

QString FormatFilter(THandOnFormat format) {
  return FormatName(format) + QStringLiteral(" (*.") + FormatSuffix(format) + ')';
}

bool OfferedFormatOf(THandOnDocument document, const QString& path, THandOnFormat& format) {
  QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QStringLiteral("html")) suffix = QStringLiteral("htm");
  for (THandOnFormat f : FormatsOf(document))
    if (FormatSuffix(f) == suffix) {
      format = f;
      return true;
    }
  return false;
}

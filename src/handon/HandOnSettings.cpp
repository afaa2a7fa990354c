#include "handon/HandOnSettings.h"

#include <QSettings>

namespace {

const char* kGroup = "HandOn";

QString FormatKey(THandOnDocument document) {
  return QString(kGroup) + (document == THandOnDocument::Table ? "/TableFormat" : "/TrackedFormat");
}

}  // namespace

THandOnChoice SavedHandOnChoice(THandOnDocument document) {
  QSettings s;
  THandOnChoice choice;
  choice.Folder = s.value(QString(kGroup) + "/Folder").toString();
  // A format kept by name, so that a format the document no longer offers falls back to the first.
  const QString suffix = s.value(FormatKey(document)).toString();
  THandOnFormat format;
  if (OfferedFormatOf(document, "x." + suffix, format)) choice.Format = format;
  const QString column1 = s.value(QString(kGroup) + "/Column1").toString();
  const QString column2 = s.value(QString(kGroup) + "/Column2").toString();
  if (!column1.trimmed().isEmpty()) choice.Column1 = column1;
  if (!column2.trimmed().isEmpty()) choice.Column2 = column2;
  return choice;
}

void SaveHandOnChoice(THandOnDocument document, const THandOnChoice& choice) {
  QSettings s;
  s.setValue(QString(kGroup) + "/Folder", choice.Folder);
  s.setValue(FormatKey(document), FormatSuffix(choice.Format));
  if (document == THandOnDocument::Table) {
    s.setValue(QString(kGroup) + "/Column1", choice.Column1);
    s.setValue(QString(kGroup) + "/Column2", choice.Column2);
  }
}

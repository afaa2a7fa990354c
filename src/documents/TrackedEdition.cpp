#include "documents/TrackedEdition.h"

TTrackedEdition BuildTrackedEdition(const TComparisonModel&, const std::string& date, const std::string& title) {
  TTrackedEdition edition;
  edition.Date = date;
  edition.Title = title;
  return edition;
}

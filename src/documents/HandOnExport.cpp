#include "documents/HandOnExport.h"

bool HandOnFormatOf(const std::string&, THandOnFormat&) { return false; }
void WriteComparisonTable(const TComparisonTable&, const std::string&, const THandOnOptions&) {
  throw EHandOnError(EHandOnError::hoFormat, "Not yet");
}
void WriteTrackedEdition(const TTrackedEdition&, const std::string&, const THandOnOptions&) {
  throw EHandOnError(EHandOnError::hoFormat, "Not yet");
}

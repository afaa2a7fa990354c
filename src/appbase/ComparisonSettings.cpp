#include "appbase/ComparisonSettings.h"

#include <QSettings>

namespace {

constexpr const char* kLiteralKey = "Comparison/Literal";
constexpr const char* kCoherentKey = "Comparison/CoherentBlocks";

}  // namespace

TComparisonOptions SavedComparisonOptions() {
  QSettings settings;
  TComparisonOptions options = kDefaultComparisonOptions;
  options.CoherentBlocks = settings.value(kCoherentKey, kDefaultComparisonOptions.CoherentBlocks).toBool();
  if (settings.value(kLiteralKey, kDefaultComparisonOptions.Literal).toBool()) {
    options.Literal = true;
    options.Moves = false;
  }
  return options;
}

void SaveComparisonOptions(const TComparisonOptions& options) {
  QSettings settings;
  settings.setValue(kLiteralKey, options.Literal);
  settings.setValue(kCoherentKey, options.CoherentBlocks);
}

#pragma once
// Toolbar icons: the desktop's icon theme where it has one, else our own drawings.
#include <QIcon>

enum TToolbarIcon {
  tiCompareDocs,
  tiSaveToFile,
  tiCopyToWord,
  tiPrint,
  tiPreview,
  tiZoomIn,
  tiZoomOut,
  tiFind,
  tiBack,
  tiForward,
  tiComparisonTable,  // the two-column table handed on
  tiTrackedEdition,   // the new edition with tracked changes
};

QIcon ToolbarIcon(TToolbarIcon which);
// Our own drawing, whatever the theme offers.
QIcon BundledToolbarIcon(TToolbarIcon which);

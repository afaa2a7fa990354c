#pragma once
// One comparison for the window: reads the texts the two views hold, compares them, writes and
// loads the result pages, and hands back what the window is to show. Knows nothing of windows.
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ComparisonOptions.h"
#include "engine/ChangeList.h"

class TDiff;
class THtmlView;
struct TComparisonModel;

// How a comparison ended.
enum class TRunOutcome {
  roProduced,    // both result pages are shown
  roNoDocument,  // a view holds no document (NoDocumentView says which)
  roEmptyText,   // a view holds no visible text (EmptyView says which; left first)
  roStopped,     // stopped by the user: the views hold the entered texts again
  roFailed,      // Error says why: the views hold the entered texts again
};

struct TComparisonResult {
  TRunOutcome Outcome = TRunOutcome::roFailed;
  int EmptyView = 0;       // 1 or 2 for roNoDocument and roEmptyText
  int ChangeCount = 0;     // for roProduced
  // For roProduced: for change n, its first mark on each page ([1], [2]) and whether it is a move.
  std::array<std::vector<int32_t>, 3> MarkOfChange;
  std::vector<uint8_t> Moved;
  std::array<std::string, 3> StoredBody;  // [1], [2]: the result pages' bodies as written
  std::array<std::string, 3> EnteredBody; // [1], [2]: the bodies compared, for comparing them anew
  TChangeList Changes;     // for roProduced: every change with its place and kind
  // For roProduced: the comparison itself, built once, for the documents written from it.
  std::shared_ptr<const TComparisonModel> Model;
  QString Error;           // for roFailed
};

// True when an HTML body holds no token the comparison would see: only markup, blanks, "&nbsp;".
bool BodyHasNoText(const std::string& body);

// Set by the stop request; cleared at the start of every run.
extern bool AbortRequested;

class TComparisonRun {
 public:
  // views[1], views[2]: the left and right views; workDir ends with the path separator.
  TComparisonRun(std::array<THtmlView*, 3> views, QString workDir, std::string styleSheetName,
                 const TComparisonOptions& options);

  // Compares these bodies (of an earlier run) instead of what the views hold, which is then a
  // result; a run that produces nothing puts these texts into the views.
  void UseEnteredTexts(std::array<std::string, 3> bodies);

  // Asks the ready views for their bodies and then turns them read-only, so that they serialise
  // while the progress window appears.
  void StartReadingTexts();
  // The whole comparison. progress is called at the diff's check points and lets pending events
  // through (the stop request arrives there). Never throws: a failure comes back as roFailed.
  TComparisonResult Run(const std::function<void(const TDiff&)>& progress);
  // The stop request: the diff ends at its next check, the views stop loading.
  void Stop();
  bool StopRequested() const;

 private:
  TComparisonResult RunUnguarded(const std::function<void(const TDiff&)>& progress);
  void RestoreEnteredTexts();
  std::array<THtmlView*, 3> views_;
  QString workDir_;
  std::string styleSheetName_;
  TComparisonOptions options_;
  bool textsGiven_ = false;
  TDiff* diff_ = nullptr;  // present only while the diff runs
  // The bodies the views held when read; whether the views were since told to load the result
  // pages (a run that ends without a result then puts the texts back).
  std::array<std::string, 3> enteredBody_;
  std::array<bool, 3> reading_{};
  bool navigated_ = false;
};

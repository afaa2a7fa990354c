#include "app/ComparisonRun.h"

#include <exception>
#include <memory>
#include <vector>

#include "appbase/Failure.h"
#include "appbase/Workspace.h"
#include "engine/ChangeList.h"
#include "engine/ComparisonModel.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "engine/SplitHtml.h"
#include "support/FastStrings.h"
#include "view/HtmlView.h"

bool AbortRequested = false;

namespace {

bool IsLetterOrDigit(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0 ||
         c == 0xA8 || c == 0xB8;
}

// A letter or digit outside the tags and character references: the body surely has a word.
// Script and style contents could fool this, so only its absence is taken as the answer cheaply.
bool HasLetterOutsideTags(const std::string& body) {
  bool inTag = false, inReference = false;
  for (unsigned char c : body) {
    if (inTag) inTag = c != '>';
    else if (inReference) inReference = c != ';' && c != '<' && c != ' ';
    else if (c == '<') inTag = true;
    else if (c == '&') inReference = true;
    else if (IsLetterOrDigit(c)) return true;
  }
  return false;
}

}  // namespace

bool BodyHasNoText(const std::string& body) {
  if (HasLetterOutsideTags(body)) {
    // Words are near the start of any real text; the exact answer is asked only where the
    // letters could be markup of the page's own (a script, a style).
    if (body.find("<script") == std::string::npos && body.find("<SCRIPT") == std::string::npos &&
        body.find("<style") == std::string::npos && body.find("<STYLE") == std::string::npos)
      return false;
  }
  // The comparison's own view of the text: what it splits into tokens.
  const std::string text = ReplaceAllText(body, "&nbsp;", " ", false);
  std::vector<int32_t> positions, hashes;
  SplitHtml(text, positions, hashes);
  return positions.empty();
}

TComparisonRun::TComparisonRun(std::array<THtmlView*, 3> views, QString workDir, std::string styleSheetName,
                               const TComparisonOptions& options)
    : views_(views), workDir_(std::move(workDir)), styleSheetName_(std::move(styleSheetName)), options_(options) {}

void TComparisonRun::UseEnteredTexts(std::array<std::string, 3> bodies) {
  enteredBody_ = std::move(bodies);
  textsGiven_ = true;
  // The views show a result already: whatever ends the run without one gives them these texts.
  navigated_ = true;
}

bool TComparisonRun::StopRequested() const { return AbortRequested; }

void TComparisonRun::StartReadingTexts() {
  if (textsGiven_) return;
  // A view that is still loading is read by the run once it is ready.
  for (size_t v = 1; v <= 2; ++v) {
    reading_[v] = views_[v]->HasDocument() && views_[v]->ReadyState() >= rsComplete;
    if (reading_[v]) views_[v]->StartOuterHtml(TElementRef::Body());
  }
  // Then both pages turn read-only. A page switched first restyles itself before it serialises
  // (tens of milliseconds for a code); asked in this order it hands out its text at once, and
  // the text is the same.
  for (size_t v = 1; v <= 2; ++v) views_[v]->StartSetDesignMode(false);
}

void TComparisonRun::Stop() {
  AbortRequested = true;
  if (diff_) diff_->Cancel();
  views_[1]->Stop();
  views_[2]->Stop();
}

TComparisonResult TComparisonRun::Run(const std::function<void(const TDiff&)>& progress) {
  AbortRequested = false;
  try {
    return RunUnguarded(progress);
  } catch (const std::exception& e) {
    // A page that cannot be written or a view that fails: the texts go back into the views.
    diff_ = nullptr;
    TComparisonResult failed;
    failed.Outcome = TRunOutcome::roFailed;
    failed.Error = FailureText(e);
    try {
      RestoreEnteredTexts();
    } catch (const std::exception&) {
      // the first failure is the one to report
    }
    return failed;
  }
}

TComparisonResult TComparisonRun::RunUnguarded(const std::function<void(const TDiff&)>& progress) {
  TComparisonResult result;
  // The texts as the views hold them: head + body + "</html>". Both views serialise their
  // documents at the same time.
  std::string texts[3];
  if (textsGiven_) {
    for (size_t v = 1; v <= 2; ++v) texts[v] = PageHead(styleSheetName_) + enteredBody_[v] + "</html>";
  } else {
    for (size_t v = 1; v <= 2; ++v)
      if (!reading_[v] && views_[v]->HasDocument()) views_[v]->WaitReady();
    for (size_t v = 1; v <= 2; ++v)
      if (!reading_[v] && views_[v]->HasDocument()) views_[v]->StartOuterHtml(TElementRef::Body());
    reading_ = {};
    for (size_t v = 1; v <= 2; ++v) {
      enteredBody_[v].clear();
      if (!views_[v]->HasDocument()) continue;
      enteredBody_[v] = views_[v]->TakeOuterHtml();
      texts[v] = PageHead(styleSheetName_) + enteredBody_[v] + "</html>";
    }
  }
  for (int v = 1; v <= 2; ++v)
    if (texts[v].empty()) {
      result.Outcome = TRunOutcome::roNoDocument;
      result.EmptyView = v;
      return result;
    }
  for (int v = 1; v <= 2; ++v)
    if (BodyHasNoText(enteredBody_[static_cast<size_t>(v)])) {
      result.Outcome = TRunOutcome::roEmptyText;
      result.EmptyView = v;
      return result;
    }

  TResultPages pages;
  {
    auto diff = std::make_unique<TDiff>();
    TDiff* d = diff.get();
    diff->SetProcessMessages([d, &progress] { progress(*d); });
    diff_ = d;
    auto model = std::make_shared<const TComparisonModel>(
        BuildComparisonModel(std::move(texts[1]), std::move(texts[2]), *diff, options_));
    diff_ = nullptr;  // a later stop request only sets AbortRequested
    if (!AbortRequested) {
      pages = BuildResultPages(*model);
      result.Changes = BuildChangeList(*model);
      result.Model = std::move(model);
    }
  }

  // Stopped: the views show the user's texts again; nothing is written.
  auto stopped = [&] {
    RestoreEnteredTexts();
    result.Outcome = TRunOutcome::roStopped;
    result.Model.reset();
    return result;
  };
  if (AbortRequested) return stopped();

  const QString path1 = workDir_ + "c1.htm", path2 = workDir_ + "c2.htm";
  WritePagePair(ToNativeBytes(path1), pages.Left, ToNativeBytes(path2), pages.Right);

  navigated_ = true;
  views_[1]->Navigate(ToNativeBytes(path1));
  views_[2]->Navigate(ToNativeBytes(path2));
  // The views parse their pages meanwhile.
  result.ChangeCount = pages.ChangeCount;
  result.MarkOfChange[1] = std::move(pages.LeftMarks);
  result.MarkOfChange[2] = std::move(pages.RightMarks);
  result.Moved = std::move(pages.Moved);
  result.StoredBody[1] = std::move(pages.Left);
  ExtractBodyContent(result.StoredBody[1]);
  result.StoredBody[2] = std::move(pages.Right);
  ExtractBodyContent(result.StoredBody[2]);
  views_[1]->WaitReady();
  views_[2]->WaitReady();
  if (AbortRequested) return stopped();
  navigated_ = false;
  result.EnteredBody = enteredBody_;
  result.Outcome = TRunOutcome::roProduced;
  return result;
}

void TComparisonRun::RestoreEnteredTexts() {
  if (!navigated_) return;
  navigated_ = false;
  for (size_t v = 1; v <= 2; ++v) {
    const QString path = workDir_ + (v == 1 ? "c1.htm" : "c2.htm");
    WritePageFile(ToNativeBytes(path), PageHead(styleSheetName_) + enteredBody_[v] + "</html>");
    views_[v]->Navigate(ToNativeBytes(path));
  }
  for (size_t v = 1; v <= 2; ++v) views_[v]->WaitReady();
}

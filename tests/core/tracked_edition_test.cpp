#include <gtest/gtest.h>

#include <map>
#include <set>

#include "DocumentTestTexts.h"
#include "MiniXml.h"
#include "documents/FlatOdt.h"
#include "documents/TrackedEdition.h"

using namespace doc_test;

namespace {

// The edition with all changes accepted (or all rejected), paragraph by paragraph.
std::vector<std::string> Resolved(const TTrackedEdition& e, bool accept) {
  const TTrackKind dropped = accept ? TTrackKind::Deleted : TTrackKind::Inserted;
  std::vector<std::string> out;
  std::string current;
  for (const TTrackedParagraph& p : e.Paragraphs) {
    for (const TTrackedSpan& s : p.Spans)
      if (s.Kind != dropped) current += s.Text;
    if (p.End != dropped || &p == &e.Paragraphs.back()) {
      out.push_back(Collapsed(current));
      current.clear();
    }
  }
  return out;
}

// The same from the flat document's XML: the text between a region's change-start and
// change-end is of its kind, and so is a paragraph end inside it.
std::vector<std::string> ResolvedXml(const std::string& xml, bool accept, std::string* fault) {
  const auto root = mini_xml::Parse(xml);
  const mini_xml::TNode* text = root->Child("office:body")->Child("office:text");
  std::map<std::string, std::string> kinds;
  for (const auto& region : text->Child("text:tracked-changes")->Children) {
    if (region->Name.empty()) continue;
    EXPECT_EQ(region->Attr("xml:id"), region->Attr("text:id"));
    const mini_xml::TNode* info = region->Children.at(0)->Child("office:change-info");
    EXPECT_EQ(info->Child("dc:creator")->Children.at(0)->Text, "Parvel");
    kinds[region->Attr("text:id")] = region->Children.at(0)->Name;
  }
  const std::string dropped = accept ? "text:deletion" : "text:insertion";
  std::set<std::string> started, ended;
  std::string open;
  std::vector<std::string> out;
  std::string current;
  for (const auto& p : text->Children) {
    if (p->Name != "text:p") continue;
    for (const auto& c : p->Children) {
      const bool keep = open.empty() || kinds[open] != dropped;
      if (c->Name.empty()) {
        if (keep) current += c->Text;
      } else if (c->Name == "text:s") {
        if (keep) current += ' ';
      } else if (c->Name == "text:change-start") {
        open = c->Attr("text:change-id");
        if (!kinds.count(open) || !started.insert(open).second) *fault += "bad start " + open + "\n";
      } else if (c->Name == "text:change-end") {
        if (c->Attr("text:change-id") != open || !ended.insert(open).second) *fault += "bad end " + open + "\n";
        open.clear();
      } else {
        *fault += "unexpected " + c->Name + "\n";
      }
    }
    if (open.empty() || kinds[open] != dropped) {
      out.push_back(Collapsed(current));
      current.clear();
    }
  }
  if (!current.empty()) out.push_back(Collapsed(current));
  if (started.size() != kinds.size() || ended.size() != kinds.size()) *fault += "regions not all referenced\n";
  return out;
}

void ExpectInvariant(const TComparisonModel& model, const std::string& what) {
  const TTrackedEdition e = BuildTrackedEdition(model, "2026-12-09T10:15:00");
  const std::vector<std::string> oldText = ParagraphsOf(model.Old), newText = ParagraphsOf(model.New);
  EXPECT_TRUE(FirstDifference(Resolved(e, true), newText).empty()) << what << ": accepted " << FirstDifference(Resolved(e, true), newText);
  EXPECT_TRUE(FirstDifference(Resolved(e, false), oldText).empty()) << what << ": rejected " << FirstDifference(Resolved(e, false), oldText);
  for (const TTrackedParagraph& p : e.Paragraphs)
    for (const TTrackedSpan& s : p.Spans) {
      // Only a blank of a paragraph split or join may have no change of its own.
      if (s.Text != " ") {
        EXPECT_EQ(s.Kind == TTrackKind::Same, s.Change < 0) << what;
      }
      if (s.Change >= 0 && s.Text != " ") {
        EXPECT_EQ(s.Moved, model.Runs[static_cast<size_t>(s.Change)].Moved) << what << " " << s.Text;
      }
    }
  std::string fault;
  const std::string xml = TrackedFlatOdt(e);
  const std::string accepted = FirstDifference(ResolvedXml(xml, true, &fault), newText);
  const std::string rejected = FirstDifference(ResolvedXml(xml, false, &fault), oldText);
  EXPECT_TRUE(accepted.empty()) << what << ": accepted in XML " << accepted;
  EXPECT_TRUE(rejected.empty()) << what << ": rejected in XML " << rejected;
  EXPECT_EQ(fault, "") << what;
}

}  // namespace

TEST(TrackedEdition, AcceptingGivesTheNewTextRejectingTheOld) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Первый абзац текста.\nВторой абзац текста.", "Новое начало. Первый абзац текста.\nВторой абзац текста."},
      {"Первый абзац текста.\nВторой абзац текста.", "Первый абзац текста, с концом.\nВторой абзац текста."},
      {"Первый абзац текста.\nВторой абзац текста.\nТретий.", "Первый абзац текста.\nВставленный целиком абзац.\nВторой абзац текста.\nТретий."},
      {"Первый абзац текста.\nУдаляемый целиком абзац.\nТретий.", "Первый абзац текста.\nТретий."},
      {"Один длинный абзац, который разделят на два.", "Один длинный абзац,\nкоторый разделят на два."},
      {"Два абзаца,\nкоторые соединят в один.", "Два абзаца, которые соединят в один."},
      {"Слова (в скобках) остаются.", "Слова в скобках остаются."},
      {"Начало.\nПереносимый абзац длинный из многих слов текста.\nСередина текста здесь.\nКонец.",
       "Начало.\nСередина текста здесь.\nПереносимый абзац длинный из многих слов текста.\nКонец."},
      {"Пункт один слово.\nПункт два.", "Пункт один.\nВставка и слово.\nПункт два."},
      {"Знаки &amp; и &lt;тег&gt; остаются.", "Знаки &amp; и &lt;тег&gt; &quot;в кавычках&quot; &amp;amp; меняются."},
  };
  for (const auto& [a, b] : cases) ExpectInvariant(ModelOf(Page(a), Page(b)), a + " -> " + b);
}

TEST(TrackedEdition, HoldsOnCorpusPairs) {
  for (const char* pair : {"01_nk1_st17", "02_nk1_st1", "07_konstitutsiya", "08_semeyny_kodeks", "11_uk_rf_heavy"})
    ExpectInvariant(CorpusModel(pair), pair);
}

TEST(TrackedEdition, ParagraphEndsOfASplitAndAJoin) {
  const TTrackedEdition split = BuildTrackedEdition(ModelOf(Page("Один абзац здесь."), Page("Один\nабзац здесь.")), "");
  ASSERT_EQ(split.Paragraphs.size(), 2u);
  EXPECT_EQ(split.Paragraphs[0].End, TTrackKind::Inserted);
  const TTrackedEdition join = BuildTrackedEdition(ModelOf(Page("Один\nабзац здесь."), Page("Один абзац здесь.")), "");
  ASSERT_EQ(join.Paragraphs.size(), 2u);
  EXPECT_EQ(join.Paragraphs[0].End, TTrackKind::Deleted);
}

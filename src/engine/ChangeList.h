#pragma once
// The changes of a comparison as a lawyer lists them: where each lies in the law's structure
// (Раздел, Глава, Статья, часть, пункт, абзац) and what kind of amendment it is. All texts are
// Windows-1251, as the compared texts.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/LegalStructure.h"

struct TComparisonModel;

// The kinds of change in the words of an amending law.
enum class TAmendmentKind {
  WordsAdded,     // «дополнено словами …»
  WordsReplaced,  // «слова … заменены словами …»
  WordsRemoved,   // «слова … исключены»
  NewWording,     // «изложено в новой редакции»: most of the unit replaced
  Repealed,       // «утратило силу»: the unit's text became «Утратил(а) силу…»
  UnitAdded,      // «дополнено пунктом / частью / статьей …»: a whole new unit
  UnitRemoved,    // «исключено»: a whole unit removed
  Moved,          // «перенесено»
  Renumbered,     // «изменён номер»
};

// The units one side of a change lies in, labels as written in the text («142.9», «а»); empty
// where absent.
struct TUnitPlace {
  std::string Section, Chapter, Article, Part, Item, Subitem;
  // A lettered «а)» under a «1)» that is itself a подпункт («пп. «а» пп. 1 п. 2»); also the
  // fourth level of decimal numbering.
  std::string Lettered;
  int ParagraphInUnit = 0;  // 1-based абзац within the smallest unit; 0 when not counted
  std::string Address;      // smallest unit first: «абз. 2 п. 3 ст. 142.9»
  int32_t Block = 0;        // the 0-based paragraph the address is of
  bool InRemarks = false;   // in the «Примечание» of an article
  bool InEditionNote = false;  // in a bracketed edition note «(В редакции …)» of the unit
  bool InHeading = false;      // in the heading of an article, chapter or section
};

// A short excerpt of one side: the changed words with a few words of context either side.
struct TExcerpt {
  std::string Before, Changed, After;
  // Whether the text has a blank between Before and Changed, and between Changed and After
  // (for an empty Changed, GapBefore tells it between Before and After).
  bool GapBefore = true, GapAfter = true;
};

struct TChangeEntry {
  int N = 0;    // 1-based, in the order of the counter
  int Run = 0;  // index into the model's Runs
  TAmendmentKind Kind = TAmendmentKind::WordsReplaced;
  std::string KindText;  // the kind as the list words it
  TUnitPlace Old, New;
  TExcerpt Was, Now;
  int Group = 0;  // index into TChangeList::Groups
  // The place the list shows: the old side's address; the new side's for a new unit (or words
  // of one); both, «old &#8594; new» (the arrow as a character reference, as the texts write
  // what Windows-1251 lacks), for a move or a renumbering.
  std::string Where;
};

// The changes of one article (or of the text outside articles).
struct TChangeGroup {
  std::string Article;  // its number, empty outside articles
  std::string Heading;  // «Статья 142.9. Title» as the list shows it
  int Count = 0;
  int FirstEntry = 0;  // index into TChangeList::Entries of its first change
};

struct TChangeSummary {
  int ArticlesChanged = 0, ArticlesAdded = 0, ArticlesRepealed = 0, Moved = 0;
  int64_t WordsRemoved = 0, WordsAdded = 0;
  // «Статей изменено: 12, добавлено: 3, утратили силу: 1, перенесено: 2; слов исключено: 840,
  // добавлено: 1 312»; thousands are separated by a no-break space (0xA0)
  std::string Text;
};

struct TChangeList {
  TNumbering Numbering = TNumbering::ChastPunkt;  // as applied to the texts
  std::vector<TChangeEntry> Entries;  // one per change of the counter, in its order
  std::vector<TChangeGroup> Groups;   // in text order
  TChangeSummary Summary;
};

TChangeList BuildChangeList(const TComparisonModel& model, TNumbering numbering = TNumbering::Auto);

#pragma once
// The structure of a legal text read from its paragraphs (block elements): Раздел, Подраздел,
// Глава, Параграф, Статья and, inside an article, its numbered paragraphs «1.», «1)», «а)» and
// the unnumbered абзацы, each unit with the paragraphs and tokens it spans.
#include <cstdint>
#include <string>
#include <vector>

struct TComparedText;

// What «1.» and «1)» of an article are called.
enum class TNumbering {
  Auto,           // from the document's title line
  PunktPodpunkt,  // Tax and Budget Codes: «1.» пункт, «1)» подпункт
  ChastPunkt,     // Criminal, Civil and most other codes: «1.» часть, «1)» пункт
  Decimal,        // contracts and regulations: «1.», «1.1.», «1.1.1.»: раздел, пункт, подпункт
};

// Units from the largest down; a unit opens inside the nearest open unit of a smaller rank.
enum class TUnitLevel : uint8_t {
  CodePart,    // «ЧАСТЬ ПЕРВАЯ» of a code published in parts
  Section,     // Раздел
  Subsection,  // Подраздел
  Chapter,     // Глава
  Paragraph,   // § / Параграф
  Article,     // Статья
  Remarks,     // «Примечание» of an article
  Numbered1,   // «1.» («1.» in decimal numbering)
  Numbered2,   // «1)» («1.1.» in decimal numbering)
  Numbered3,   // «а)» («1.1.1.» in decimal numbering)
  Numbered4,   // decimal numbering only: «1)»
  Numbered5,   // decimal numbering only: «а)»
};

enum class TBlockRole : uint8_t {
  Empty,    // no tokens
  Heading,  // the heading of a section, chapter, § or article (or its title line)
  Opener,   // the first paragraph of a numbered unit or of an article's remarks
  Plain,    // an unnumbered paragraph (абзац)
  Note,     // an edition note in brackets: «(В редакции Федерального закона от …)»
};

struct TLegalUnit {
  TUnitLevel Level = TUnitLevel::Article;
  std::string Label;  // as written: «142.9», «а», «I»
  int Parent = -1;    // index into TLegalStructure::Units, -1 at the top
  int32_t FirstBlock = 0, EndBlock = 0;  // its paragraphs, the heading or opener first
  int32_t FirstToken = 0, EndToken = 0;
  std::string Heading;  // headings: the heading's text, at most a few hundred bytes
  int Paragraphs = 0;   // its own абзацы (the opener counts, the heading and notes do not)
};

struct TStructureBlock {
  int32_t FirstToken = 0, TokenCount = 0;
  TBlockRole Role = TBlockRole::Empty;
  int Unit = -1;            // the smallest unit the paragraph belongs to, -1 before the first
  int ParagraphInUnit = 0;  // 1-based абзац within Unit; 0 for headings, notes and empty ones
  int LabelTokens = 0;      // tokens of its number at the start («Статья 142.9.», «1)»)
};

struct TLegalStructure {
  TNumbering Numbering = TNumbering::ChastPunkt;  // as applied, never Auto
  std::vector<TLegalUnit> Units;                  // in text order
  std::vector<TStructureBlock> Blocks;            // per block element of the text

  // The block of a token, clamped to the text.
  int32_t BlockOf(const TComparedText& text, int32_t token) const;
  // The nearest unit of the level containing unit, or -1.
  int Enclosing(int unit, TUnitLevel level) const;
};

TLegalStructure ReadLegalStructure(const TComparedText& text, TNumbering numbering = TNumbering::Auto);

// The convention a title line names («Налоговый кодекс …»), Auto when it names none.
TNumbering NumberingOfTitle(const std::string& lowerTitle);

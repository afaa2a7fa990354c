#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ChangeList.h"
#include "engine/ComparisonModel.h"
#include "input/ViewTextFile.h"
#include "support/Cp1251.h"

namespace {

// A page of one <p> per line of utf8 (the test's own text).
std::string Page(const std::string& utf8Lines) {
  std::string body = "<html><head></head><body>";
  std::istringstream in(utf8Lines);
  for (std::string line; std::getline(in, line);) body += "<p>" + cp1251::FromUtf8(line) + "</p>";
  return body + "</body></html>";
}

TChangeList ListOf(const std::string& oldPage, const std::string& newPage, TNumbering numbering = TNumbering::Auto) {
  TDiff diff;
  const TComparisonModel model = BuildComparisonModel(oldPage, newPage, diff, kDefaultComparisonOptions);
  return BuildChangeList(model, numbering);
}

std::string U(const std::string& s1251) { return cp1251::ToUtf8(s1251); }

// Each line of old is changed once, in its last word; the addresses of the changes in order.
std::vector<std::string> AddressesOfEveryLine(const std::string& lines, TNumbering numbering, std::string* convention) {
  std::string changed;
  std::istringstream in(lines);
  for (std::string line; std::getline(in, line);) changed += line + " X\n";
  const TChangeList list = ListOf(Page(lines), Page(changed), numbering);
  std::vector<std::string> out;
  for (const TChangeEntry& e : list.Entries) out.push_back(U(e.Where));
  if (convention) *convention = list.Numbering == TNumbering::PunktPodpunkt ? "punkt"
                                : list.Numbering == TNumbering::ChastPunkt  ? "chast"
                                                                            : "decimal";
  return out;
}

}  // namespace

TEST(ChangeList, TaxCodeNamesPointsAndSubpoints) {
  std::string convention;
  const auto where = AddressesOfEveryLine(
      "Налоговый кодекс Российской Федерации\n"
      "Глава 8. ИСПОЛНЕНИЕ ОБЯЗАННОСТИ\n"
      "Статья 142.9. Особенности\n"
      "1. Первый пункт:\n"
      "1) подпункт;\n"
      "второй абзац подпункта;\n"
      "а) буква;\n"
      "(В редакции Федерального закона от 01.01.2020 № 1-ФЗ)\n"
      "3. Третий пункт\n"
      "Статья 45-1\n"
      "Текст статьи",
      TNumbering::Auto, &convention);
  EXPECT_EQ(convention, "punkt");
  EXPECT_EQ(where, (std::vector<std::string>{"вводная часть", "наименование гл. 8", "наименование ст. 142.9", "п. 1 ст. 142.9",
                                             "абз. 1 пп. 1 п. 1 ст. 142.9", "абз. 2 пп. 1 п. 1 ст. 142.9",
                                             "пп. «а» пп. 1 п. 1 ст. 142.9", "пп. «а» пп. 1 п. 1 ст. 142.9, отметка о редакции",
                                             "п. 3 ст. 142.9", "наименование ст. 45-1", "ст. 45-1"}));
}

TEST(ChangeList, CriminalCodeNamesPartsAndItems) {
  std::string convention;
  const auto where = AddressesOfEveryLine(
      "Уголовный кодекс Российской Федерации\n"
      "Раздел VII. ПРЕСТУПЛЕНИЯ ПРОТИВ ЛИЧНОСТИ\n"
      "Статья 105. Убийство\n"
      "1. Убийство\n"
      "2. Убийство:\n"
      "а) двух лиц;\n"
      "б) лица\n"
      "Примечание. Текст\n"
      "1. Первый пункт примечания",
      TNumbering::Auto, &convention);
  EXPECT_EQ(convention, "chast");
  EXPECT_EQ(where, (std::vector<std::string>{"вводная часть", "наименование разд. VII", "наименование ст. 105",
                                             "ч. 1 ст. 105", "ч. 2 ст. 105", "п. «а» ч. 2 ст. 105",
                                             "п. «б» ч. 2 ст. 105", "прим. к ст. 105", "п. 1 прим. к ст. 105"}));
  // The override names the same units the other way.
  const auto asTax = AddressesOfEveryLine("Статья 1. Т\n1. Текст\n2) текст", TNumbering::PunktPodpunkt, nullptr);
  EXPECT_EQ(asTax, (std::vector<std::string>{"наименование ст. 1", "п. 1 ст. 1", "пп. 2 п. 1 ст. 1"}));
}

TEST(ChangeList, DecimalNumberingAndTheConstitutionsHeadings) {
  std::string convention;
  auto where = AddressesOfEveryLine("ДОГОВОР ПОСТАВКИ\n1. Предмет договора\n1.1. Поставщик\nвторой абзац\n1.1.1. Товар",
                                    TNumbering::Auto, &convention);
  EXPECT_EQ(convention, "decimal");
  EXPECT_EQ(where, (std::vector<std::string>{"вводная часть", "разд. 1", "абз. 1 п. 1.1", "абз. 2 п. 1.1", "пп. 1.1.1"}));
  where = AddressesOfEveryLine("РАЗДЕЛ ПЕРВЫЙ\nГЛАВА 1\nОСНОВЫ КОНСТИТУЦИОННОГО СТРОЯ\nСтатья 2\nЧеловек есть ценность\n"
                               "Статья 3\n1. Носителем",
                               TNumbering::Auto, &convention);
  EXPECT_EQ(where, (std::vector<std::string>{"наименование разд. ПЕРВЫЙ", "наименование гл. 1", "наименование гл. 1",
                                             "наименование ст. 2", "ст. 2", "наименование ст. 3", "ч. 1 ст. 3"}));
}

TEST(ChangeList, KindsInTheWordsOfAnAmendingLaw) {
  const std::string head = "Налоговый кодекс\nСтатья 7. Т\n";
  const std::string same1 = "Пошлина устанавливается законом о пошлинах.\n", same2 = "Лицо вправе обжаловать акт.\n";
  const TChangeList list = ListOf(
      Page(head + "1. Налог взимается ежегодно.\n2. Сбор уплачивается заранее и полностью.\n" + same1 +
           "3. Взнос платят работодатели.\n" + same2 + "4. Льгота дана инвалидам.\n" + same1 +
           "5. Штраф назначает суд по делу.\nСтатья 8. Т\n1. Текст статьи восьмой о сроках."),
      Page(head + "1. Налог взимается ежегодно и ежемесячно.\n2. Сбор уплачивается полностью.\n" + same1 +
           "2.1. Новый пункт о страховых тарифах.\n3. Взнос платят работодатели.\n" + same2 +
           "4. Утратил силу. - Федеральный закон от 01.01.2030 № 1-ФЗ.\n" + same1 +
           "Статья 8. Т\n2. Текст статьи восьмой о сроках."));
  // A unit that lost its force may take several runs of the diff: each says so.
  std::vector<std::string> kinds, where;
  int inFirstGroup = 0;
  for (const TChangeEntry& e : list.Entries) {
    inFirstGroup += e.Group == 0;
    if (!kinds.empty() && kinds.back() == U(e.KindText) && where.back() == U(e.Where)) continue;
    kinds.push_back(U(e.KindText));
    where.push_back(U(e.Where));
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"дополнено словами «и ежемесячно»", "слова «заранее и» исключены",
                                             "дополнено пунктом 2.1", "утратило силу", "исключено", "изменён номер"}));
  EXPECT_EQ(where, (std::vector<std::string>{"п. 1 ст. 7", "абз. 1 п. 2 ст. 7", "п. 2.1 ст. 7", "абз. 1 п. 4 ст. 7", "п. 5 ст. 7",
                                             "п. 1 ст. 8 &#8594; п. 2 ст. 8"}));
  ASSERT_EQ(list.Groups.size(), 2u);
  EXPECT_EQ(U(list.Groups[0].Heading), "Статья 7. Т");
  EXPECT_EQ(list.Groups[0].Count, inFirstGroup);
  EXPECT_EQ(list.Groups[1].Count, 1);
  EXPECT_EQ(list.Groups[1].Article, "8");
  EXPECT_EQ(U(list.Summary.Text),
            "Статей изменено: 2, добавлено: 0, утратили силу: 0, перенесено: 0; слов исключено: 12, добавлено: 20");
}

// Every change the answer keys of the generated editions list has a change whose old side lies
// in its paragraph and whose address names the article around it (the last article heading
// before it, unless a chapter or section heading came after that). The diff may keep a moved
// paragraph in place and move its neighbours instead: a move is found within two paragraphs.
TEST(ChangeList, CorpusAmendmentsAreFoundInTheirArticles) {
  const std::string corpus = PARVEL_CORPUS_DIR;
  const std::regex article(R"(^Статья (\d+(?:[.\-]\d+)*))");
  const std::regex higher(R"(^(Глава|ГЛАВА|Раздел|РАЗДЕЛ|Подраздел) )");
  const std::regex entry(R"re(\{\s*"op":\s*"(\w+)",\s*"(paragraph|after)":\s*(\d+))re");
  int found = 0, total = 0;
  for (const char* pair : {"07_konstitutsiya", "08_semeyny_kodeks", "09_vodny_kodeks_gl1", "10_byudzhetny_kodeks",
                           "11_uk_rf_heavy"}) {
    const std::string base = corpus + "/" + pair;
    // The article around each old paragraph, from the plain text (one paragraph a line).
    std::vector<std::string> articleOf;
    std::ifstream lines(base + "_old.txt");
    std::string current;
    for (std::string line; std::getline(lines, line); articleOf.push_back(current))
      if (std::smatch m; std::regex_search(line, m, article)) current = m[1];
      else if (std::regex_search(line, higher)) current.clear();
    std::ifstream keys(base + "_amendments.json");
    const std::string json((std::istreambuf_iterator<char>(keys)), std::istreambuf_iterator<char>());
    const TChangeList list = ListOf(ReadViewTextFile(base + "_old.htm"), ReadViewTextFile(base + "_new.htm"));
    for (std::sregex_iterator it(json.begin(), json.end(), entry), end; it != end; ++it) {
      const int paragraph = std::stoi((*it)[3]);
      // A new unit stands after the paragraph named: its change is there or at the next one.
      const bool after = (*it)[2] == "after", move = (*it)[1] == "move";
      bool ok = false;
      for (const TChangeEntry& e : list.Entries) {
        const int at = e.Old.Block;
        const bool near = move ? std::abs(at - paragraph) <= 2 : at == paragraph || (after && at == paragraph + 1);
        if (!near) continue;
        if (e.Old.Article == articleOf[static_cast<size_t>(at)]) ok = true;
      }
      ++total;
      found += ok;
      EXPECT_TRUE(ok) << pair << ": " << (*it)[0] << " (article " << articleOf[static_cast<size_t>(paragraph)] << ")";
    }
  }
  std::cout << "amendments found in their articles: " << found << " of " << total << "\n";
  EXPECT_EQ(total, 15 + 17 + 6 + 78 + 529);
}

// A moved passage is one change with both places.
TEST(ChangeList, AMoveNamesBothPlaces) {
  const std::string head = "Статья 1. Т\n", a = "Первый абзац о праве.\n", b = "Второй абзац о долге.\n",
                    c = "Третий абзац о сроке.\n";
  TDiff diff;
  TComparisonModel model = BuildComparisonModel(Page(head + a + b + c), Page(head + b + c + a), diff, kDefaultComparisonOptions);
  ASSERT_EQ(model.Runs.size(), 2u);
  const TChangeRun& removed = model.Runs[0].Kind == dkDelete ? model.Runs[0] : model.Runs[1];
  const TChangeRun& added = model.Runs[0].Kind == dkDelete ? model.Runs[1] : model.Runs[0];
  TChangeRun move{dkChange, removed.First1, removed.Count1, added.First2, added.Count2, true};
  model.Runs = {move};
  model.ChangeCount = 1;
  const TChangeList list = BuildChangeList(model);
  ASSERT_EQ(list.Entries.size(), 1u);
  EXPECT_EQ(list.Entries[0].Kind, TAmendmentKind::Moved);
  EXPECT_EQ(U(list.Entries[0].KindText), "перенесено");
  EXPECT_EQ(U(list.Entries[0].Where), "абз. 1 ст. 1 &#8594; абз. 3 ст. 1");
  EXPECT_EQ(U(list.Summary.Text),
            "Статей изменено: 0, добавлено: 0, утратили силу: 0, перенесено: 1; слов исключено: 0, добавлено: 0");
}

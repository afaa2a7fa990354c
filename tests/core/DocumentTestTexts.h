#pragma once
// Shared by the tests of the documents handed on: pages made from lines, corpus models and the
// texts' paragraphs as plain UTF-8 with blanks collapsed.
#include <sstream>
#include <string>
#include <vector>

#include "engine/ChangesJson.h"
#include "engine/ComparisonModel.h"
#include "input/ViewTextFile.h"
#include "support/Cp1251.h"

namespace doc_test {

// A page of one <p> per line of utf8.
inline std::string Page(const std::string& utf8Lines) {
  std::string body = "<html><head></head><body>";
  std::istringstream in(utf8Lines);
  for (std::string line; std::getline(in, line);) body += "<p>" + cp1251::FromUtf8(line) + "</p>";
  return body + "</body></html>";
}

inline TComparisonModel ModelOf(const std::string& page1, const std::string& page2) {
  TDiff diff;
  return BuildComparisonModel(page1, page2, diff, kDefaultComparisonOptions);
}

inline TComparisonModel CorpusModel(const std::string& pair) {
  const std::string base = std::string(PARVEL_CORPUS_DIR) + "/" + pair;
  return ModelOf(ReadViewTextFile(base + "_old.htm"), ReadViewTextFile(base + "_new.htm"));
}

inline std::string Collapsed(const std::string& s) {
  std::string out;
  for (const char c : s) {
    const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
    if (blank && (out.empty() || out.back() == ' ')) continue;
    out += blank ? ' ' : c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The paragraphs of a text that have tokens, each as its words.
inline std::vector<std::string> ParagraphsOf(const TComparedText& t) {
  std::vector<std::string> out;
  const auto& par = t.Blocks.Paragraph;
  for (size_t k = 0; k < par.size();) {
    size_t end = k;
    while (end < par.size() && par[end] == par[k]) ++end;
    out.push_back(Collapsed(Utf8Text(TokenText(t, static_cast<int32_t>(k), static_cast<int32_t>(end - k)))));
    k = end;
  }
  return out;
}

inline std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// Empty when equal; else where the two lists of paragraphs first differ.
inline std::string FirstDifference(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
  for (size_t i = 0; i < actual.size() || i < expected.size(); ++i) {
    const std::string a = i < actual.size() ? actual[i] : "<none>", e = i < expected.size() ? expected[i] : "<none>";
    if (a != e)
      return "paragraph " + std::to_string(i) + " of " + std::to_string(expected.size()) + ":\n  got  «" + a +
             "»\n  want «" + e + "»";
  }
  return {};
}

}  // namespace doc_test

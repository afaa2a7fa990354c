// The tracked-changes edition of a corpus pair through a real LibreOffice: stored as .odt and
// .docx, each reloaded with all changes accepted (the new text) and all rejected (the old).
// Skipped where LibreOffice or its Python bridge is missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "documents/FlatOdt.h"
#include "documents/TrackedEdition.h"
#include "engine/ChangesJson.h"
#include "engine/ComparisonModel.h"
#include "input/ViewTextFile.h"

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (const char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool Runs(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// A Python that has the office's bridge: the system's, where a user's own Python lacks it.
std::string UnoPython() {
  for (const char* candidate : {"/usr/bin/python3", "python3"})
    if (Runs(std::string(candidate) + " -c 'import uno'")) return candidate;
  return {};
}

std::string Soffice() {
  if (const char* env = std::getenv("PARVEL_SOFFICE"); env && *env) return env;
  for (const char* candidate : {"soffice", "/usr/lib/libreoffice/program/soffice"})
    if (Runs(std::string("command -v ") + candidate)) return candidate;
  return {};
}

std::string Collapsed(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const bool nbsp = s.compare(i, 2, "\xC2\xA0") == 0;
    const bool blank = s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || nbsp;
    if (nbsp) ++i;
    if (blank && (out.empty() || out.back() == ' ' || out.back() == '\n')) continue;
    if (s[i] == '\n' && !out.empty() && out.back() == ' ') out.pop_back();
    out += blank ? ' ' : s[i];
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
  return out;
}

// The text's paragraphs, one a line.
std::string TextOf(const TComparedText& t) {
  std::string out;
  const auto& par = t.Blocks.Paragraph;
  for (size_t k = 0; k < par.size();) {
    size_t end = k;
    while (end < par.size() && par[end] == par[k]) ++end;
    if (!out.empty()) out += '\n';
    out += Utf8Text(TokenText(t, static_cast<int32_t>(k), static_cast<int32_t>(end - k)));
    k = end;
  }
  return Collapsed(out);
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Where two texts of lines first differ, or empty.
std::string FirstDifference(const std::string& got, const std::string& want) {
  std::istringstream a(got), b(want);
  std::string x, y;
  for (int line = 1;; ++line) {
    const bool hasX = static_cast<bool>(std::getline(a, x)), hasY = static_cast<bool>(std::getline(b, y));
    if (!hasX && !hasY) return {};
    if (!hasX || !hasY || x != y)
      return "line " + std::to_string(line) + ":\n  got  «" + (hasX ? x : "<end>") + "»\n  want «" + (hasY ? y : "<end>") + "»";
  }
}

}  // namespace

TEST(TrackedChangesInOffice, AcceptAllGivesTheNewTextRejectAllTheOld) {
  const std::string python = UnoPython(), soffice = Soffice();
  if (python.empty() || soffice.empty()) GTEST_SKIP() << "LibreOffice with its Python bridge is not installed";
  const std::string base = std::string(PARVEL_CORPUS_DIR) + "/07_konstitutsiya";
  TDiff diff;
  const TComparisonModel model =
      BuildComparisonModel(ReadViewTextFile(base + "_old.htm"), ReadViewTextFile(base + "_new.htm"), diff, kDefaultComparisonOptions);
  ASSERT_GT(model.ChangeCount, 0);

  const fs::path dir = fs::temp_directory_path() / ("parvel-tracked-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path flat = dir / "tracked.fodt";
  std::ofstream(flat, std::ios::binary) << TrackedFlatOdt(BuildTrackedEdition(model, "2026-12-09T10:15:00"));
  const std::string script = std::string(PARVEL_SOURCE_DIR) + "/tests/office/tracked_changes_roundtrip.py";
  const std::string command = "timeout 280 " + python + " " + Quoted(script) + " " + Quoted(soffice) + " " +
                              Quoted(flat.string()) + " " + Quoted(dir.string());
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  const std::string newText = TextOf(model.New), oldText = TextOf(model.Old);
  for (const char* format : {"odt", "docx"}) {
    const std::string accepted = FirstDifference(Collapsed(ReadAll(dir / (std::string(format) + "_accept.txt"))), newText);
    const std::string rejected = FirstDifference(Collapsed(ReadAll(dir / (std::string(format) + "_reject.txt"))), oldText);
    EXPECT_TRUE(accepted.empty()) << format << " accepted: " << accepted;
    EXPECT_TRUE(rejected.empty()) << format << " rejected: " << rejected;
  }
  fs::remove_all(dir);
}

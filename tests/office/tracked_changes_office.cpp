// The tracked-changes edition of a corpus pair through a real LibreOffice: stored as .odt and
// .docx, each reloaded with all changes accepted (the new text) and all rejected (the old).
// Skipped where LibreOffice or its Python bridge is missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/DocumentTestTexts.h"
#include "documents/FlatOdt.h"
#include "documents/TrackedEdition.h"

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

// The office's text as paragraphs, one a line, blanks collapsed.
std::vector<std::string> ParagraphsIn(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);) out.push_back(doc_test::Collapsed(line));
  return out;
}

}  // namespace

TEST(TrackedChangesInOffice, AcceptAllGivesTheNewTextRejectAllTheOld) {
  const std::string python = UnoPython(), soffice = Soffice();
  if (python.empty() || soffice.empty()) GTEST_SKIP() << "LibreOffice with its Python bridge is not installed";
  const std::string base = std::string(PARVEL_CORPUS_DIR) + "/07_konstitutsiya";
  // Read as parvel-cli reads the texts it compares.
  const TComparisonModel model = doc_test::ModelOf(ReadViewTextFile(base + "_old.htm"), ReadViewTextFile(base + "_new.htm"));
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

  const std::vector<std::string> newText = doc_test::ParagraphsOf(model.New), oldText = doc_test::ParagraphsOf(model.Old);
  for (const std::string format : {"odt", "docx"}) {
    const std::string accepted = doc_test::FirstDifference(ParagraphsIn(dir / (format + "_accept.txt")), newText);
    const std::string rejected = doc_test::FirstDifference(ParagraphsIn(dir / (format + "_reject.txt")), oldText);
    EXPECT_TRUE(accepted.empty()) << format << " accepted: " << accepted;
    EXPECT_TRUE(rejected.empty()) << format << " rejected: " << rejected;
  }
  fs::remove_all(dir);
}

#pragma once
// The commands of parvel-cli. Each takes its own arguments (after the command word) and returns
// the process exit code.
#include <string>
#include <vector>

using CliArgs = std::vector<std::string>;

int RunCompareCommand(const CliArgs& args);   // compare LEFT RIGHT OUTDIR
int RunChangesCommand(const CliArgs& args);   // changes OLD NEW [--format json|csv|md]
int RunTableCommand(const CliArgs& args);    // table OLD NEW OUT.{docx,odt,pdf,htm}
int RunRedlineCommand(const CliArgs& args);  // redline OLD NEW OUT.{docx,odt,pdf}
int RunFormsCommand(const CliArgs& args);     // forms WORD [--data DIR]
int RunVariantsCommand(const CliArgs& args);  // variants PHRASE [--data DIR]
int RunFindCommand(const CliArgs& args);      // find QUERY FILE [--out PATH] [--data DIR]

// The usage text of the whole tool.
std::string CliUsage();

// parvel-cli: the comparison and the finder for batch use and scripting.
#include <cstdio>
#include <exception>
#include <iostream>

#include "cli/Commands.h"

int main(int argc, char** argv) {
  CliArgs args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::cout << CliUsage();
    return args.empty() ? 2 : 0;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  try {
    if (command == "compare") return RunCompareCommand(args);
    if (command == "changes") return RunChangesCommand(args);
    if (command == "table") return RunTableCommand(args);
    if (command == "redline") return RunRedlineCommand(args);
    if (command == "forms") return RunFormsCommand(args);
    if (command == "variants") return RunVariantsCommand(args);
    if (command == "find") return RunFindCommand(args);
  } catch (const std::exception& e) {
    std::cerr << "parvel-cli: " << e.what() << "\n";
    return 1;
  }
  std::cerr << "parvel-cli: неизвестная команда \"" << command << "\"; см. parvel-cli --help\n";
  return 2;
}

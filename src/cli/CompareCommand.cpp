#include <iostream>

#include "cli/Commands.h"

int RunCompareCommand(const CliArgs&) {
  std::cerr << "parvel-cli: compare is not built yet\n";
  return 2;
}

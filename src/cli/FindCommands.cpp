#include <iostream>

#include "cli/Commands.h"

namespace {
int NotYet(const char* name) {
  std::cerr << "parvel-cli: " << name << " is not built yet\n";
  return 2;
}
}  // namespace

int RunFormsCommand(const CliArgs&) { return NotYet("forms"); }
int RunVariantsCommand(const CliArgs&) { return NotYet("variants"); }
int RunFindCommand(const CliArgs&) { return NotYet("find"); }

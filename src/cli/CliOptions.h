#pragma once
// The options of a parvel-cli command: "--name value" and "--name=value", "--help" / "-h",
// "--" before arguments that begin with "--".
#include <map>
#include <string>
#include <vector>

#include "cli/Commands.h"

struct TCommandArgs {
  std::vector<std::string> Positional;
  std::map<std::string, std::string> Values;  // by option name, "--out"
  bool Help = false;
};

// Splits args by the options that take a value. False, with the message on stderr, for an
// unknown option or one without its value.
bool ParseCommandArgs(const CliArgs& args, const std::vector<std::string>& valueOptions, const char* command,
                      TCommandArgs& out);

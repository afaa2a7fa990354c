#pragma once
// The options of a parvel-cli command: "--name value" and "--name=value", "--help" / "-h",
// "--" before arguments that begin with "--".
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli/Commands.h"

struct TCommandArgs {
  std::vector<std::string> Positional;
  std::map<std::string, std::string> Values;  // by option name, "--out"
  std::set<std::string> Flags;  // the options without a value that were given, "--literal"
  bool Help = false;
};

// Splits args by the options that take a value and those that take none. False, with the
// message on stderr, for an unknown option, one without its value or a value given to a flag.
bool ParseCommandArgs(const CliArgs& args, const std::vector<std::string>& valueOptions, const char* command,
                      TCommandArgs& out, const std::vector<std::string>& flagOptions = {});

class TDiff;

// With seconds > 0, cancels the diff once that time has passed, and sets timedOut then. The diff
// asks at every step of its recursion and every 200 steps of its search.
void StopAfterSeconds(TDiff& diff, double seconds, bool& timedOut);

// Reads the two texts to compare; false, with «Текст N пуст» on stderr, when one is empty.
bool ReadComparedTexts(const std::string& leftPath, const std::string& rightPath, std::string& left,
                       std::string& right);

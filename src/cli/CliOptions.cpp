#include "cli/CliOptions.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include "engine/Diff.h"
#include "input/ViewTextFile.h"

bool ParseCommandArgs(const CliArgs& args, const std::vector<std::string>& valueOptions, const char* command,
                      TCommandArgs& out, const std::vector<std::string>& flagOptions) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!optionsEnded && a == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && (a == "--help" || a == "-h")) {
      out.Help = true;
      continue;
    }
    // Only "--name" is an option: a word such as "-5" is an argument.
    if (optionsEnded || a.size() < 3 || a.compare(0, 2, "--") != 0) {
      out.Positional.push_back(a);
      continue;
    }
    const size_t eq = a.find('=');
    const std::string name = a.substr(0, eq);
    if (std::find(flagOptions.begin(), flagOptions.end(), name) != flagOptions.end()) {
      if (eq != std::string::npos) {
        std::cerr << "parvel-cli " << command << ": " << name << " не принимает значения\n";
        return false;
      }
      out.Flags.insert(name);
      continue;
    }
    if (std::find(valueOptions.begin(), valueOptions.end(), name) == valueOptions.end()) {
      std::cerr << "parvel-cli " << command << ": неизвестный параметр " << name << "; см. parvel-cli " << command
                << " --help\n";
      return false;
    }
    if (eq != std::string::npos) {
      out.Values[name] = a.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      out.Values[name] = args[++i];
    } else {
      std::cerr << "parvel-cli " << command << ": после " << name << " нужно значение\n";
      return false;
    }
  }
  return true;
}

void StopAfterSeconds(TDiff& diff, double seconds, bool& timedOut) {
  timedOut = false;
  if (seconds <= 0) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  diff.SetProcessMessages([deadline, &timedOut, &diff] {
    if (!timedOut && std::chrono::steady_clock::now() > deadline) {
      timedOut = true;
      diff.Cancel();
    }
  });
}

bool ReadComparedTexts(const std::string& leftPath, const std::string& rightPath, std::string& left,
                       std::string& right) {
  left = ReadViewTextFile(leftPath);
  right = ReadViewTextFile(rightPath);
  const int empty = left.empty() ? 1 : right.empty() ? 2 : 0;
  if (empty) std::cerr << "Текст " << empty << " пуст\n";
  return empty == 0;
}

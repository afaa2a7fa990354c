#pragma once
// A program run in the background with a time limit of its caller's choosing: its standard
// input empty, its output and errors into a log file, its temporary files in a folder given.
// Ending it ends every process it started. ChildProcessPosix.cpp and ChildProcessWindows.cpp
// implement it.
#include <memory>
#include <string>
#include <vector>

class TChildProcess {
 public:
  TChildProcess();
  ~TChildProcess();  // ends it if it still runs
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  // args[0] is the program's path. 0 or the errno of a failed start.
  int Start(const std::vector<std::string>& args, const std::string& tempFolder, const std::string& logPath);
  // True once it has ended; exitCode is its exit code, or -1 when it was ended by a signal.
  bool Ended(int& exitCode);
  // Ends it and every process it started, and waits (a little) until they are gone.
  void EndAll();

  // The exit code of a program that could not be started at all.
  static constexpr int kNotStarted = 127;

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};

// Runs the real quillfen-cli as a user would, with a clean environment: for
// the tests of its behaviour through real and hostile servers.
#pragma once

#include <string>
#include <vector>

#include "tests/servers/temp_folder.h"

namespace app_test {

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string ShellQuoted(const std::string& text);

// Runs the program with only the given variables besides PATH, HOME and
// XDG_CACHE_HOME (both inside work); launcher words, when given, go before
// the program (a pseudo-terminal, a namespace). stdout and stderr are
// caught in files of work; stdin is empty.
CliRun RunCli(const TempFolder& work, const std::vector<std::string>& arguments,
              const std::vector<std::string>& environment = {}, const std::vector<std::string>& launcher = {});

// The program running beside the test, for signals sent while it works;
// stdout and stderr go to files of work as for RunCli.
class CliProcess {
public:
  CliProcess(const TempFolder& work, const std::vector<std::string>& arguments);
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  // Waits up to seconds for text to appear on stderr.
  bool WaitForError(const std::string& text, int seconds);
  void Signal(int signal);
  // The exit code; 256 plus the signal when one ended the program, -1 when
  // it did not end within seconds (it is killed then).
  int Wait(int seconds);
  std::string Error() const;

private:
  const TempFolder& Work;
  int Pid = -1;
};

}  // namespace app_test

#include "tests/app/cli_runner.h"

#include <sys/wait.h>

#include <cstdlib>

namespace app_test {

std::string ShellQuoted(const std::string& text) {
  std::string result = "'";
  for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

CliRun RunCli(const TempFolder& work, const std::vector<std::string>& arguments,
              const std::vector<std::string>& environment, const std::vector<std::string>& launcher) {
  std::string command = "env -i PATH=/usr/bin:/bin HOME=" + ShellQuoted(work.Path()) +
                        " XDG_CACHE_HOME=" + ShellQuoted(work.File("cache"));
  for (const std::string& variable : environment) command += " " + ShellQuoted(variable);
  for (const std::string& word : launcher) command += " " + ShellQuoted(word);
  command += " " + ShellQuoted(QUILLFEN_CLI);
  for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
  command += " </dev/null >" + ShellQuoted(work.File("stdout")) + " 2>" + ShellQuoted(work.File("stderr"));
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, work.ReadFile("stdout"), work.ReadFile("stderr")};
}

}  // namespace app_test

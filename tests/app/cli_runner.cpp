#include "tests/app/cli_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

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

CliProcess::CliProcess(const TempFolder& work, const std::vector<std::string>& arguments) : Work(work) {
  std::vector<std::string> words = {QUILLFEN_CLI};
  words.insert(words.end(), arguments.begin(), arguments.end());
  const std::vector<std::string> environment = {"PATH=/usr/bin:/bin", "HOME=" + work.Path(),
                                                "XDG_CACHE_HOME=" + work.File("cache")};
  const std::string out = work.File("stdout"), err = work.File("stderr");
  // Made before the fork: the child of a threaded test may only make
  // system calls.
  std::vector<char*> argv, envp;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  for (const std::string& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  Pid = ::fork();
  if (Pid != 0) return;
  ::dup2(::open("/dev/null", O_RDONLY), 0);
  ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
  ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
  ::execve(argv[0], argv.data(), envp.data());
  ::_exit(127);
}

CliProcess::~CliProcess() {
  if (Pid > 0) Wait(0);
}

bool CliProcess::WaitForError(const std::string& text, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (Error().find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void CliProcess::Signal(int signal) { ::kill(Pid, signal); }

int CliProcess::Wait(int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (::waitpid(Pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(Pid, SIGKILL);
      ::waitpid(Pid, &status, 0);
      Pid = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  Pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status);
}

std::string CliProcess::Error() const { return Work.ReadFile("stderr"); }

}  // namespace app_test

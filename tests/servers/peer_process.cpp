#include "tests/servers/peer_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/servers/loopback.h"
#include "tests/servers/peer_error.h"

namespace {
constexpr auto StartWait = std::chrono::seconds(10);
constexpr auto StopWait = std::chrono::seconds(5);
constexpr auto PollInterval = std::chrono::milliseconds(20);
}  // namespace

PeerProcess::PeerProcess(const std::string& program, const std::string& package,
                         const std::vector<std::string>& arguments, const std::string& logFile)
    : ProgramPath(program) {
  if (::access(program.c_str(), X_OK) != 0)
    throw PeerError(program + " is not installed; install the Debian package " + package +
                    " (scripts/install-deps does)");
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const int log = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  Pid = ::fork();
  if (Pid == 0) {
    ::setpgid(0, 0);
    if (log >= 0) {
      ::dup2(log, STDOUT_FILENO);
      ::dup2(log, STDERR_FILENO);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  if (log >= 0) ::close(log);
  if (Pid < 0) throw PeerError("cannot start " + program);
  // Both sides set the group, so that a stop right after the fork reaches it.
  ::setpgid(Pid, Pid);
}

PeerProcess::~PeerProcess() {
  ::kill(-Pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + StopWait;
  while (Running() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(PollInterval);
  // Helpers the server forked stay in its group; none may outlive the test.
  ::kill(-Pid, SIGKILL);
  if (Running()) ::waitpid(Pid, nullptr, 0);
}

bool PeerProcess::Running() {
  if (!Reaped && ::waitpid(Pid, nullptr, WNOHANG) == Pid) Reaped = true;
  return !Reaped;
}

bool PeerProcess::WaitUntilListening(int port) {
  const auto deadline = std::chrono::steady_clock::now() + StartWait;
  while (std::chrono::steady_clock::now() < deadline) {
    if (!Running()) return false;
    if (AcceptsConnections(port)) return true;
    std::this_thread::sleep_for(PollInterval);
  }
  return false;
}

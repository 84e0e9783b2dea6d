#include "tests/servers/network_namespace.h"

#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "tests/servers/loopback.h"
#include "tests/servers/temp_folder.h"

namespace {
constexpr int ChildWaitMs = 120000;

[[noreturn]] void failSetup(const std::string& what) {
  throw std::runtime_error("network namespace: " + what + ": " + std::strerror(errno));
}

void bringLoopbackUp() {
  UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  if (::ioctl(socket.Get(), SIOCGIFFLAGS, &request) != 0) failSetup("reading the flags of lo");
  request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
  if (::ioctl(socket.Get(), SIOCSIFFLAGS, &request) != 0) failSetup("bringing lo up");
}

void bindOver(const std::string& source, const char* target) {
  if (::mount(source.c_str(), target, nullptr, MS_BIND, nullptr) != 0)
    failSetup(std::string("mounting over ") + target);
}

void writeProcFile(const char* path, const std::string& text) {
  UniqueFd file(::open(path, O_WRONLY | O_CLOEXEC));
  if (file.Get() < 0 || ::write(file.Get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()))
    failSetup(std::string("writing ") + path);
}

// Root makes the namespaces directly; anyone else first gets a user namespace
// in which they are root, so the suite also runs without privileges.
void unshareNetworkAndMounts() {
  if (::geteuid() == 0) {
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) failSetup("unshare");
    return;
  }
  const uid_t uid = ::geteuid();
  const gid_t gid = ::getegid();
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNET | CLONE_NEWNS) != 0)
    failSetup("unshare (needs root or unprivileged user namespaces)");
  writeProcFile("/proc/self/setgroups", "deny");
  writeProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
  writeProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

void enterNamespace(const TempFolder& files) {
  unshareNetworkAndMounts();
  // Keep the bind mounts inside this namespace.
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) failSetup("making / private");
  bringLoopbackUp();
  bindOver(files.File("hosts"), "/etc/hosts");
  bindOver(files.File("nsswitch.conf"), "/etc/nsswitch.conf");
  bindOver(files.File("resolv.conf"), "/etc/resolv.conf");
}

void writeRecord(int fd, const std::string& file, int line, const std::string& message) {
  const std::string record = file + '\0' + std::to_string(line) + '\0' + message + '\0';
  size_t written = 0;
  while (written < record.size()) {
    const ssize_t n = ::write(fd, record.data() + written, record.size() - written);
    if (n <= 0) return;
    written += static_cast<size_t>(n);
  }
}

// In the child: run the body with every gtest failure captured, then hand the
// failures to the parent through the pipe.
[[noreturn]] void runChild(const TempFolder& files, const std::function<void()>& body, int reportFd) {
  testing::TestPartResultArray results;
  {
    testing::ScopedFakeTestPartResultReporter reporter(testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS,
                                                       &results);
    try {
      enterNamespace(files);
      body();
    } catch (const std::exception& error) {
      ADD_FAILURE() << "exception in the namespace: " << error.what();
    } catch (...) {
      ADD_FAILURE() << "unknown exception in the namespace";
    }
  }
  for (int i = 0; i < results.size(); ++i) {
    const testing::TestPartResult& result = results.GetTestPartResult(i);
    if (result.failed())
      writeRecord(reportFd, result.file_name() ? result.file_name() : "", result.line_number(), result.message());
  }
  ::_exit(0);
}

void reportChildFailures(const std::string& records) {
  size_t start = 0;
  while (start < records.size()) {
    const size_t lineStart = records.find('\0', start) + 1;
    const size_t messageStart = records.find('\0', lineStart) + 1;
    const size_t end = records.find('\0', messageStart);
    if (lineStart == 0 || messageStart == 0 || end == std::string::npos) break;
    const std::string file = records.substr(start, lineStart - 1 - start);
    const int line = std::stoi(records.substr(lineStart, messageStart - 1 - lineStart));
    ADD_FAILURE_AT(file.empty() ? "unknown" : file.c_str(), line) << records.substr(messageStart, end - messageStart);
    start = end + 1;
  }
}
}  // namespace

void RunInNetworkNamespace(const std::vector<HostsEntry>& hosts, const std::function<void()>& body) {
  TempFolder files;
  std::string hostsText = "127.0.0.1 localhost\n";
  for (const HostsEntry& entry : hosts) hostsText += entry.Address + " " + entry.Name + "\n";
  files.WriteFile("hosts", hostsText);
  files.WriteFile("nsswitch.conf", "passwd: files\ngroup: files\nhosts: files\n");
  files.WriteFile("resolv.conf", "# no name servers: names come from the hosts file only\n");

  int report[2];
  ASSERT_EQ(::pipe2(report, O_CLOEXEC), 0) << std::strerror(errno);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0) << std::strerror(errno);
  if (child == 0) {
    ::close(report[0]);
    runChild(files, body, report[1]);
  }
  ::close(report[1]);
  UniqueFd reader(report[0]);

  std::string records;
  char block[4096];
  bool timedOut = false;
  for (;;) {
    pollfd entry{reader.Get(), POLLIN, 0};
    if (::poll(&entry, 1, ChildWaitMs) != 1) {
      timedOut = true;
      ::kill(child, SIGKILL);
      break;
    }
    const ssize_t n = ::read(reader.Get(), block, sizeof block);
    if (n <= 0) break;
    records.append(block, static_cast<size_t>(n));
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  reportChildFailures(records);
  if (timedOut) ADD_FAILURE() << "the namespace child did not finish within " << ChildWaitMs << " ms";
  else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    ADD_FAILURE() << "the namespace child ended abnormally (status " << status << ")";
}

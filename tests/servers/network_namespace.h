#pragma once
// Runs a test body in a forked child inside new network and mount
// namespaces: only a loopback interface exists, and /etc/hosts, nsswitch.conf
// and resolv.conf are generated so that names resolve from the hosts file
// alone. A name lookup there can never leave the machine, and a name that is
// not listed is simply unknown. Needs root (the tests run as root).
//
// The child's gtest failures and exceptions are reported in the parent as
// failures at the same file and line.

#include <functional>
#include <string>
#include <vector>

struct HostsEntry {
  std::string Address;
  std::string Name;
};

void RunInNetworkNamespace(const std::vector<HostsEntry>& hosts, const std::function<void()>& body);

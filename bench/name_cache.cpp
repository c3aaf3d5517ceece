// The cost of cached name lookups: one thread doing reverse lookups, then
// four threads sharing 10,000 lookups. The names come from a hosts file of
// the benchmark and the resolver has no server, so nothing leaves the machine.
#include "core/net/name_cache.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/net/name_hosts_file.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"

using Clock = std::chrono::steady_clock;

int main() {
  using namespace tesmo;
  char hostsPath[] = "/tmp/tesmo-bench-hosts-XXXXXX";
  int fd = mkstemp(hostsPath);
  if (fd < 0) return 1;
  close(fd);
  constexpr int kHosts = 256;
  std::vector<std::string> addresses;
  std::vector<std::string> names;
  {
    std::ofstream file(hostsPath);
    for (int i = 0; i < kHosts; ++i) {
      addresses.push_back("10.50." + std::to_string(i / 200) + "." + std::to_string(i % 200 + 1));
      names.push_back("bench-host-" + std::to_string(i) + ".lab.test");
      file << addresses.back() << '\t' << names.back() << '\n';
    }
  }
  ApplyDnsServerList("");
  SetHostsFilePath(hostsPath);
  UseFastResolver = 1;
  bDnsUseCache = 1;
  DnsCacheTimeout = 600;
  ClearNameCache();
  for (const auto& address : addresses) ResolveAddressToName(address);  // loads the hosts file

  constexpr int kRounds = 1'000'000;
  size_t found = 0;
  auto start = Clock::now();
  for (int i = 0; i < kRounds; ++i) found += ResolveAddressToName(addresses[i % kHosts]).size();
  double perLookup =
      std::chrono::duration<double, std::micro>(Clock::now() - start).count() / kRounds;
  std::printf("cached reverse lookup, one thread: %.3f us per lookup (target under 2 us)\n",
              perLookup);

  constexpr int kThreads = 4;
  constexpr int kShared = 10'000;
  start = Clock::now();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = t; i < kShared; i += kThreads) {
        if (i % 2)
          ResolveAddressToName(addresses[i % kHosts]);
        else
          ResolveNameToAddress(names[i % kHosts]);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  double total = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  std::printf("10,000 cached lookups from %d threads: %.3f ms in all (%.3f us each)\n", kThreads,
              total, total * 1000 / kShared);

  ClearNameCache();
  std::remove(hostsPath);
  return found > 0 ? 0 : 1;
}

// Benchmark of the DNS engine's zone listing: lists a large zone (by
// default axfr.bench, 100,000 records, served by run-axfr's named) through
// ListZone into the output sink while a consumer thread follows the sink as
// the page's list model would, and prints the wall time next to dig axfr of
// the same zone from the same server in the same run.
//
//   axfr_bench [--address A] [--port P] [--zone Z] [--repeat N]
#include <arpa/inet.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "core/dns/dns_engine.h"
#include "core/net/name_cache.h"
#include "core/net/resolver_state.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// dig axfr with its output read to the end; lines are its record lines.
bool RunDig(const std::string& address, unsigned port, const std::string& zone, double& seconds,
            size_t& lines) {
  const std::string command = "dig +nocmd +nostats +nocomments -p " + std::to_string(port) + " @" +
                              address + " " + zone + " axfr 2>/dev/null";
  const auto start = Clock::now();
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  lines = 0;
  char line[8192];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    if (line[0] != '\n' && line[0] != ';') ++lines;
  }
  const int status = pclose(pipe);
  seconds = Seconds(start);
  return status == 0 && lines > 0;
}

struct ListingRun {
  int result = 0;
  double seconds = 0;
  size_t lines = 0;
  int fetches = 0;  // batches the following consumer took
};

// A list model takes its batches at most this often.
constexpr auto kFetchInterval = std::chrono::milliseconds(40);

// ListZone into a sink that a consumer thread follows through notifications
// and Fetch, as the NSLookup page's list model does on the UI thread: after a
// notice it waits until kFetchInterval has passed since its last batch.
ListingRun RunListing(uint32_t server, unsigned port, const std::string& zone) {
  tesmo::CDnsOutput out;
  std::mutex mutex;
  std::condition_variable wake;
  bool notified = false;
  bool done = false;
  out.SetNotify([&] {
    std::lock_guard guard(mutex);
    notified = true;
    wake.notify_one();
  });
  ListingRun run;
  size_t shown = 0;
  uint64_t epoch = out.Epoch();
  std::thread consumer([&] {
    auto lastFetch = Clock::now() - kFetchInterval;
    for (;;) {
      std::unique_lock lock(mutex);
      wake.wait(lock, [&] { return notified || done; });
      const bool finished = done && !notified;
      notified = false;
      lock.unlock();
      if (finished) return;
      std::this_thread::sleep_until(lastFetch + kFetchInterval);
      lastFetch = Clock::now();
      auto update = out.Fetch(epoch, shown);
      epoch = update.epoch;
      shown = update.reset ? update.lines.size() : shown + update.lines.size();
      ++run.fetches;
    }
  });

  tesmo::CDnsEngine engine(out);
  engine.SetServerPort(static_cast<uint16_t>(port));
  engine.SetServers({server});
  engine.SetQueryType(255);
  {
    tesmo::CNameCacheLock lock;
    engine.FindDefaultServer();
    const auto start = Clock::now();
    run.result = engine.ListZone(255, zone);
    run.seconds = Seconds(start);
  }
  {
    std::lock_guard guard(mutex);
    done = true;
    wake.notify_one();
  }
  consumer.join();
  run.lines = out.LineCount();
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  std::string address = "127.0.0.1";
  unsigned port = 53;
  std::string zone = "axfr.bench";
  int repeat = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (option == "--address" && value) {
      address = value;
    } else if (option == "--port" && value) {
      port = static_cast<unsigned>(std::atoi(value));
    } else if (option == "--zone" && value) {
      zone = value;
    } else if (option == "--repeat" && value) {
      repeat = std::max(1, std::atoi(value));
    } else {
      std::fprintf(stderr, "axfr_bench: unknown option %s\n", argv[i]);
      return 64;
    }
    ++i;
  }
  in_addr server{};
  if (inet_aton(address.c_str(), &server) == 0) {
    std::fprintf(stderr, "axfr_bench: not an address: %s\n", address.c_str());
    return 64;
  }
  tesmo::SetResolverTimeout(2);
  tesmo::SetResolverRetries(2);

  std::printf("zone %s at %s:%u\n", zone.c_str(), address.c_str(), port);
  double bestDig = 0;
  double bestList = 0;
  int failures = 0;
  for (int run = 0; run < repeat; ++run) {
    double digSeconds = 0;
    size_t digLines = 0;
    if (RunDig(address, port, zone, digSeconds, digLines)) {
      std::printf("dig axfr:  %zu records in %.3f s\n", digLines, digSeconds);
      if (bestDig == 0 || digSeconds < bestDig) bestDig = digSeconds;
    } else {
      std::printf("dig axfr:  failed\n");
      ++failures;
    }
    const ListingRun listing = RunListing(ntohl(server.s_addr), port, zone);
    std::printf("ListZone:  %zu lines in %.3f s, %d batches taken by a list (result %d)\n",
                listing.lines, listing.seconds, listing.fetches, listing.result);
    if (listing.result != 0) ++failures;
    if (bestList == 0 || listing.seconds < bestList) bestList = listing.seconds;
    std::fflush(stdout);
  }
  if (bestDig > 0) {
    std::printf("best of %d: ListZone %.3f s = %.2fx dig axfr %.3f s (target <= 1.5x)\n", repeat,
                bestList, bestList / bestDig, bestDig);
  }
  return failures == 0 ? 0 : 1;
}

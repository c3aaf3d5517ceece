// Benchmark of the NSLookup page's zone listing: "List" of a large zone (by
// default axfr.bench, 100,000 records, served by run-axfr's named) on the page
// offscreen, through the engine on the page's job thread into its result
// list. Prints the wall time next to dig axfr of the same zone from the same
// server in the same run, the inserts the list took and the longest time the
// window's event loop was kept busy meanwhile.
//
//   axfr_bench [--address A] [--port P] [--zone Z] [--repeat N]
#include <arpa/inet.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/base/settings_store.h"
#include "core/net/ip_address.h"
#include "core/net/resolver_state.h"
#include "ui/nslookup/nslookup_page.h"

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
  bool complete = false;  // the listing ended with its "Received" line
  double seconds = 0;
  size_t lines = 0;
  int batches = 0;          // inserts the result list took
  double longestPause = 0;  // longest time the window's event loop was busy, s
};

template <typename T>
T* Control(QWidget* page, int controlId) {
  for (QWidget* w : page->findChildren<QWidget*>()) {
    if (w->property("controlId").toInt() == controlId) return qobject_cast<T*>(w);
  }
  return nullptr;
}

// "List" of type ANY on the NSLookup page. A timer every 5 ms measures how
// long the window's event loop was ever kept from it.
ListingRun RunListing(uint32_t server, unsigned port, const std::string& zone) {
  tesmo::CNsLookupPage page(tesmo::PageContext{nullptr, nullptr});
  page.InitPage();
  page.resize(900, 600);
  page.show();
  page.Engine().SetServerPort(static_cast<uint16_t>(port));
  page.Engine().SetServers({tesmo::IpAddress::V4(server)});
  Control<QLineEdit>(&page, 1043)->setText(QString::fromStdString(zone));
  auto* types = Control<QComboBox>(&page, 2051);
  types->setCurrentIndex(types->findText(QStringLiteral("ANY")));

  ListingRun run;
  QElapsedTimer tick;
  QTimer probe;
  probe.setInterval(5);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    run.longestPause = std::max(run.longestPause, static_cast<double>(tick.nsecsElapsed()) / 1e9);
    tick.restart();
  });
  const int batchesBefore = page.ResultModel().Batches();
  const auto start = Clock::now();
  Control<QPushButton>(&page, 2042)->click();
  tick.start();
  probe.start();
  while (page.QueryRunning()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  page.ResultModel().Refresh();
  run.seconds = Seconds(start);
  probe.stop();
  const auto& lines = page.ResultModel().Lines();
  run.lines = lines.size();
  run.batches = page.ResultModel().Batches() - batchesBefore;
  run.complete = !lines.empty() && lines.back().startsWith(QLatin1String("Received "));
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // A settings file of its own: the benchmark never reads the user's.
  QTemporaryDir settingsDir;
  tesmo::CSettingsStore::SetFilePath(settingsDir.filePath(QStringLiteral("tesmo.ini")));
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
    std::printf("List:      %zu lines in %.3f s, %d list inserts, window busy at most %.0f ms%s\n",
                listing.lines, listing.seconds, listing.batches, listing.longestPause * 1000,
                listing.complete ? "" : " (no end line)");
    if (!listing.complete) ++failures;
    if (bestList == 0 || listing.seconds < bestList) bestList = listing.seconds;
    std::fflush(stdout);
  }
  if (bestDig > 0) {
    std::printf("best of %d: List %.3f s = %.2fx dig axfr %.3f s (target <= 1.5x)\n", repeat,
                bestList, bestList / bestDig, bestDig);
  }
  return failures == 0 ? 0 : 1;
}

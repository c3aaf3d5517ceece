// Start-up time: from process start to the main window shown (the MIB tree
// and the vendor file loading beside it, as the program starts), and to the
// first OID text an SNMP job would write, which waits for the tree. Runs
// itself five times as fresh processes and prints each figure and the
// medians.
//
//   startup [VENDORS_FILE]
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/base/settings_store.h"
#include "core/snmp/oid_text.h"
#include "ui/app/main_sheet.h"

namespace {

// Milliseconds since this process started, from the kernel's start time.
double MsSinceProcessStart() {
  std::ifstream statFile("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(statFile)), {});
  const size_t close = stat.rfind(')');
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  // Field 22 (starttime) counted from field 3, which follows the ")".
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  const double startTicks = std::stod(field);
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double nowMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
  return nowMs - startTicks * 1000.0 / sysconf(_SC_CLK_TCK);
}

int Once(int argc, char** argv, const QString& vendors) {
  const double beforeMain = MsSinceProcessStart();
  const auto t0 = std::chrono::steady_clock::now();
  if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir work;
  if (!vendors.isEmpty()) QFile::copy(vendors, work.filePath("vendors.txt"));
  tesmo::CSettingsStore::SetFilePath(work.filePath("config/tesmo.ini"));
  std::fflush(stderr);
  std::freopen("/dev/null", "w", stderr);  // MIB parse warnings would drown the figure
  tesmo::CMainSheet sheet;
  sheet.Initialize(work.path(), tesmo::CMainSheet::MibLoading::BesideWindow);
  sheet.show();
  if (!QTest::qWaitForWindowExposed(&sheet, 5000)) return 1;
  const auto since = [&] {
    return beforeMain +
           std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  };
  const double shown = since();
  // What a first SNMP job does with the ifInOctets column of interface 1.
  const std::vector<uint32_t> ifInOctets1 = {1, 3, 6, 1, 2, 1, 2, 2, 1, 10, 1};
  const std::string text = tesmo::FormatObjectId(ifInOctets1);
  const double firstOid = since();
  if (text.find("ifInOctets") == std::string::npos) {
    std::fprintf(stdout, "first OID text without its label: %s\n", text.c_str());
    return 1;
  }
  std::printf("%.1f %.1f\n", shown, firstOid);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "--once") {
    return Once(argc, argv, argc >= 3 ? QString::fromLocal8Bit(argv[2]) : QString());
  }
  QCoreApplication app(argc, argv);
  QString vendors = argc >= 2 ? QString::fromLocal8Bit(argv[1]) : QString();
  if (vendors.isEmpty() && QFile::exists(QStringLiteral(TESMO_SOURCE_DIR "/vendors.txt"))) {
    vendors = QStringLiteral(TESMO_SOURCE_DIR "/vendors.txt");
  }
  std::vector<double> runs, oidRuns;
  for (int i = 0; i < 5; ++i) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--once"), vendors});
    if (!child.waitForFinished(30000) || child.exitCode() != 0) {
      std::fprintf(stderr, "startup: run %d failed\n", i + 1);
      return 1;
    }
    const QStringList figures = QString::fromLocal8Bit(child.readAllStandardOutput()).split(' ');
    runs.push_back(figures.value(0).toDouble());
    oidRuns.push_back(figures.value(1).toDouble());
    std::printf("run %d: window shown %.1f ms, first OID text %.1f ms\n", i + 1, runs.back(),
                oidRuns.back());
  }
  std::sort(runs.begin(), runs.end());
  std::sort(oidRuns.begin(), oidRuns.end());
  std::printf(
      "startup (process start to window shown, %s loading beside it): median %.1f ms, min %.1f ms\n"
      "first OID text (MIB tree loaded): median %.1f ms, min %.1f ms\n",
      vendors.isEmpty() ? "no vendor file" : "vendors.txt", runs[2], runs[0], oidRuns[2],
      oidRuns[0]);
  return 0;
}

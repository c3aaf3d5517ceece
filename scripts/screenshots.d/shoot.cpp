// Takes the README's screenshots: opens the main window (on the display the
// calling script started), runs the pages against the agent the stored
// settings name, and saves the window as PNG files into the folder given.
//
//   tesmo_screenshots OUTPUT_DIR
//
// Waits are bounded: a step that does not reach its state in time is
// reported and the program ends with 1, leaving the pictures taken so far.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QThread>
#include <cstdio>
#include <functional>

#include "core/base/job_control.h"
#include "tools/graph/graph_data.h"
#include "ui/app/main_sheet.h"
#include "ui/discovery/discovery_page.h"
#include "ui/system/parameters_page.h"
#include "ui/tables/table_page.h"

namespace tesmo {
namespace {

// Runs the event loop until done() or ms have passed; false on time-out.
bool WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return true;
}

void Settle(int ms) {
  WaitUntil([] { return false; }, ms);
}

bool JobEnded() {
  return !CJobControl::Instance().JobRunning();
}

class CShooter {
 public:
  explicit CShooter(const QString& folder) : folder(folder) {}

  int Run() {
    sheet.Initialize(QDir::currentPath());
    sheet.resize(1040, 640);
    sheet.show();
    Settle(500);

    // The target, as typed into the Parameters page.
    auto* parameters = static_cast<CParametersPage*>(Page("system"));
    parameters->HostBox()->lineEdit()->setText(QStringLiteral("127.0.0.1"));
    Activate("system");
    sheet.OnStartStop();
    if (!Step(
            "system group", [] { return JobEnded(); }, 15000))
      return 1;
    Settle(300);

    // The routing table while its walk runs: the label counts the rows.
    auto* routes = static_cast<CTablePage*>(Page("routetable"));
    Activate("routetable");
    sheet.OnStartStop();
    if (!Step(
            "routing table walk",
            [routes] { return routes->CountLabel()->text().endsWith(QStringLiteral(" fetched")); },
            20000))
      return 1;
    Settle(1500);
    Save("routing-table-running.png");
    sheet.OnStartStop();  // Stop
    if (!Step(
            "routing table stop", [] { return JobEnded(); }, 5000))
      return 1;

    // A sweep of 40 addresses, some of which answer.
    auto* sweep = static_cast<CDiscoveryPage*>(Page("pingfind"));
    Activate("pingfind");
    sweep->Edit(1064)->setText(QStringLiteral("10.99.0.1"));
    sweep->Edit(2065)->setText(QStringLiteral("40"));
    sheet.OnStartStop();
    if (!Step(
            "sweep", [] { return JobEnded(); }, 60000))
      return 1;
    Settle(500);
    Save("ip-discovery.png");

    // The chart: a round trip, a host that does not answer, a counter's rate.
    GraphData().RemoveAll();
    AddGraphEntry('P', QStringLiteral("127.0.0.1"), QStringLiteral("ping 127.0.0.1"));
    AddGraphEntry('P', QStringLiteral("10.99.0.77"), QStringLiteral("ping 10.99.0.77"));
    AddGraphEntry('S', QStringLiteral(".1.3.6.1.2.1.2.2.1.10.1"),
                  QStringLiteral("interfaces.ifTable.ifEntry.ifInOctets.1"));
    Activate("graph");
    sheet.OnStartStop();
    Settle(25000);
    Save("graph.png");
    sheet.OnStartStop();  // Stop
    if (!Step(
            "chart stop", [] { return JobEnded(); }, 5000))
      return 1;
    sheet.OnExit();
    return 0;
  }

 private:
  ToolPage* Page(const char* name) {
    return sheet.Page(sheet.PageIndexOf(QString::fromUtf8(name)));
  }
  void Activate(const char* name) {
    sheet.SetActivePage(sheet.PageIndexOf(QString::fromUtf8(name)));
    Settle(200);
  }
  bool Step(const char* what, const std::function<bool()>& done, int ms) {
    if (WaitUntil(done, ms)) return true;
    std::fprintf(stderr, "tesmo_screenshots: %s did not finish in %d ms\n", what, ms);
    return false;
  }
  void Save(const QString& name) {
    const QString path = QDir(folder).filePath(name);
    if (!sheet.grab().save(path, "PNG")) {
      std::fprintf(stderr, "tesmo_screenshots: cannot write %s\n", qPrintable(path));
      return;
    }
    std::printf("tesmo_screenshots: %s\n", qPrintable(path));
  }

  QString folder;
  CMainSheet sheet;
};

}  // namespace
}  // namespace tesmo

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tesmo_screenshots OUTPUT_DIR\n");
    return 64;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tesmo"));
  tesmo::CShooter shooter(QString::fromLocal8Bit(argv[1]));
  return shooter.Run();
}

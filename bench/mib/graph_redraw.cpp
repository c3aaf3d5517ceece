// The Graph page while a poll waits for an agent that never answers: how long
// a redraw of a full window takes on the user-interface thread, and how late
// the event loop runs a timer meanwhile. The agent is a UDP socket of this
// program on the loopback; the SNMP time-out is 3 seconds.
//
//   graph_redraw [POINTS]   (default 1000 points of 4 entries)
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "tools/graph/graph_data.h"
#include "ui/app/main_sheet.h"
#include "ui/graph/graph_page.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int points = argc > 1 ? std::max(atoi(argv[1]), 10) : 1000;
  QTemporaryDir dir;
  tesmo::CSettingsStore::SetFilePath(dir.filePath("tesmo.ini"));

  const int silent = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
  tesmo::CSettingsStore::WriteInt("Snmp", "Port", ntohs(address.sin_port));
  tesmo::CSettingsStore::WriteInt("Snmp", "TimeOut", 3000);
  tesmo::CSettingsStore::WriteInt("Snmp", "Retries", 0);

  tesmo::CMainSheet sheet;
  sheet.Initialize(dir.path());
  sheet.show();
  auto* page = static_cast<tesmo::CGraphPage*>(sheet.Page(sheet.PageIndexOf("graph")));
  tesmo::CGraphData& data = tesmo::GraphData();
  for (int e = 0; e < 4; ++e) {
    data.AddEntry({'S', ".1.3.6.1.2.1.1.3.0", "entry " + std::to_string(e)});
  }
  data.EndPoll(data.BeginPoll(), {}, 0, 1);
  for (int n = 0; n < points; ++n) {
    const tesmo::GraphPoll poll = data.BeginPoll();
    std::vector<tesmo::RawSample> samples(poll.items.size(),
                                          tesmo::RawSample{true, double(n % 97), false, 0});
    data.EndPoll(poll, samples, 1700000000 + n, 1);
  }
  tesmo::GraphView view = data.View();
  view.points = points;
  data.SetView(view);
  sheet.SetActivePage(sheet.PageIndexOf("graph"));
  // The chart's set-up without entries (those above stay), then Start.
  sheet.HandleCommandLine({"127.0.0.1", "graph", "0.1", QString::number(points), "1", "1", "0"});
  QTest::qWait(300);  // the poll is now waiting for the silent agent
  if (!tesmo::CJobControl::Instance().JobRunning()) {
    std::fprintf(stderr, "graph_redraw: the poll did not start\n");
    return 1;
  }

  std::vector<double> redraws, lateness;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 2000) {
    const qint64 before = clock.nsecsElapsed();
    page->Redraw();
    redraws.push_back((clock.nsecsElapsed() - before) / 1e6);
    const qint64 armed = clock.nsecsElapsed();
    bool fired = false;
    QTimer::singleShot(0, [&] {
      lateness.push_back((clock.nsecsElapsed() - armed) / 1e6);
      fired = true;
    });
    while (!fired) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  const bool stillPolling = tesmo::CJobControl::Instance().JobRunning();
  tesmo::RequestStop();
  while (tesmo::CJobControl::Instance().JobRunning()) QTest::qWait(20);
  std::sort(redraws.begin(), redraws.end());
  std::sort(lateness.begin(), lateness.end());
  std::printf("while a poll waits 3 s for a silent agent (%d points x 4 entries):\n", points);
  std::printf("  redraw: median %.2f ms, longest %.2f ms (%zu redraws)\n",
              redraws[redraws.size() / 2], redraws.back(), redraws.size());
  std::printf("  event loop: a timer runs at most %.2f ms late\n", lateness.back());
  std::printf("  the poll was %s when the measuring ended\n",
              stillPolling ? "still waiting" : "over");
  sheet.OnExit();
  close(silent);
  return 0;
}

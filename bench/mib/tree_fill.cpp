// The MIB browser's tree: time to index the whole loaded MIB, to show it in
// the tree view, and to lay out every item expanded (the worst a user can
// ask of it). Loads the working directory's mibs folder and the standard
// directories, as the program does, and prints the figures of five runs.
//
//   mib_tree_fill
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/snmp/mib_loader.h"
#include "core/snmp/mib_nodes.h"
#include "ui/browser/mib_browser_models.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tesmo::SetLibraryMessagesToLog(false);
  const int modules = tesmo::LoadMibs(tesmo::MibDirectoryList(QDir::currentPath().toStdString()));
  std::vector<double> index, shown, expanded;
  int nodes = 0;
  for (int run = 0; run < 5; ++run) {
    QElapsedTimer timer;
    timer.start();
    tesmo::CMibTreeIndex tree;
    tree.Build();
    index.push_back(timer.nsecsElapsed() / 1e6);
    nodes = tree.Count();
    tesmo::CMibTreeModel model(tree);
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setModel(&model);
    view.resize(400, 600);
    view.show();
    QApplication::processEvents();
    shown.push_back(timer.nsecsElapsed() / 1e6);
    view.expandAll();
    view.scrollToBottom();
    QApplication::processEvents();
    expanded.push_back(timer.nsecsElapsed() / 1e6);
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::printf("MIB: %d modules, %d nodes\n", modules, nodes);
  std::printf("tree indexed:           median %.2f ms (5 runs)\n", median(index));
  std::printf("tree shown:             median %.2f ms\n", median(shown));
  std::printf("every item expanded:    median %.2f ms\n", median(expanded));
  tesmo::FreeMibs();
  return 0;
}

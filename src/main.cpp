// Tesmo: network diagnostics against one target host.
//
// With --batch (or --help) the program runs one page's job without a window
// and needs no display; otherwise it opens the main window. Both take their
// pages from the page registry.
#include "batch/batch.h"
#include "ui/app/application.h"
#include "ui/app/page_registry.h"

int main(int argc, char** argv) {
  if (tesmo::IsBatchCommandLine(argc, argv)) {
    return tesmo::RunBatch(argc, argv, tesmo::BatchPagesOfRegistry());
  }
  return tesmo::RunWindow(argc, argv);
}

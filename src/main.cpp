// Tesmo: network diagnostics against one target host.
//
// With --batch (or --help) the program runs one tool's job without a window
// and needs no display; otherwise it opens the main window. Both take their
// tools from the tool registry. --vendor and --mib-report are small aids
// that need neither a target nor a window.
#include "batch/aid_commands.h"
#include "batch/batch.h"
#include "ui/app/application.h"

int main(int argc, char** argv) {
  if (tesmo::IsAidCommandLine(argc, argv)) return tesmo::RunAidCommand(argc, argv);
  if (tesmo::IsBatchCommandLine(argc, argv)) return tesmo::RunBatch(argc, argv);
  return tesmo::RunWindow(argc, argv);
}

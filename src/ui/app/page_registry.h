// The page registry: every tool page registers itself once, from its own
// file, with what the rest of the program needs to know of it. The tabs, the
// command line, the grids' Select commands, the job's enabling of controls,
// --help and --batch all read this list; none of them names a page.
//
//   namespace {
//   const CPageRegistration registration({
//       .index = 4, .name = "arptable", .captionId = 111,
//       .create = [](const PageContext& c) { return new CTablePage(ArpTable(), c); },
//       .selectCommand = kCmdGetArp,
//       .batch = {"the ARP table with vendors (Arp page)", {}, RunArpBatch},
//   });
//   }
#pragma once

#include <functional>
#include <vector>

#include "batch/batch.h"

class QWidget;

namespace tesmo {

class CTarget;
class ToolPage;

// What a page gets at construction.
struct PageContext {
  CTarget* target;  // the window's target, for the pages that need one
  QWidget* parent;
};

// A page's --batch entry; no run: the page has none.
struct PageBatchEntry {
  const char* summary = nullptr;  // one line for --help
  std::vector<BatchOptionSpec> options;
  std::function<int(BatchContext&)> run;
  bool resolvesHost = true;  // false: HOST is handed over as typed (a DNS name)
};

struct PageRecord {
  int index;         // tab position, 0 first
  const char* name;  // internal name: command line, new instances, --batch
  int captionId;     // string-table id of the tab caption
  std::function<ToolPage*(const PageContext&)> create;
  int selectCommand = 0;          // the grids' "Select" command that opens the page, 0 none
  bool enabledDuringJob = false;  // keeps its controls enabled while a job runs
  // The page edits the target: a Select command hands it the host and starts
  // it before the page the command opens.
  bool editsTarget = false;
  PageBatchEntry batch;
};

// Registers a page during static initialisation.
class CPageRegistration {
 public:
  explicit CPageRegistration(PageRecord record);
};

// Every registered page, in tab order.
const std::vector<PageRecord>& RegisteredPages();

// The pages --batch runs, in tab order.
std::vector<BatchPage> BatchPagesOfRegistry();

}  // namespace tesmo

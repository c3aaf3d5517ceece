// The page registry: every tool's page registers itself once, from its own
// file, against the tool's name (tools/tool_spec.h). The tabs stand in the
// tools' order; the window reads the rest of what it needs (caption, Select
// commands, command line) from the tool.
//
//   namespace {
//   const CPageRegistration registration(
//       "traceroute", [](const PageContext& c) { return new CTraceroutePage(c); });
//   }
#pragma once

#include <functional>
#include <vector>

#include "tools/tool_spec.h"

class QWidget;

namespace tesmo {

class CPageHost;
class CTarget;
class ToolPage;

// What a page gets at construction.
struct PageContext {
  CTarget* target;  // the window's target, for the pages that need one
  QWidget* parent;
  CPageHost* host = nullptr;  // the window the page stands in; null for a page alone
};

using PageFactory = std::function<ToolPage*(const PageContext&)>;

// How a page takes part in the window's jobs.
struct PageTraits {
  bool enabledDuringJob = false;  // keeps its controls enabled while a job runs
  // The page edits the target: a Select command hands it the host and starts
  // it before the page the command opens.
  bool editsTarget = false;
};

struct PageRecord {
  const ToolSpec* tool;
  PageFactory create;
  PageTraits traits;
};

// Registers a page during static initialisation.
class CPageRegistration {
 public:
  CPageRegistration(const char* toolName, PageFactory create, PageTraits traits = {});
};

// Every registered page whose tool is registered, in the tools' order.
std::vector<PageRecord> RegisteredPages();

}  // namespace tesmo

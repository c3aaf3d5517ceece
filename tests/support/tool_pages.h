// Tools and their pages by name, as the registries have them: tests never
// hard-code a tab position or a command id.
#pragma once

#include <cstring>

#include "tools/tool_spec.h"
#include "ui/app/page_registry.h"

namespace tesmo {

// The tab position of a tool's page, -1 when it has none.
inline int PageIndex(const char* tool) {
  const std::vector<PageRecord> pages = RegisteredPages();
  for (size_t i = 0; i < pages.size(); ++i) {
    if (std::strcmp(pages[i].tool->name, tool) == 0) return static_cast<int>(i);
  }
  return -1;
}

// The Select command that opens a tool's page, 0 when it has none.
inline int SelectCommandOf(const char* tool) {
  const ToolSpec* spec = FindTool(QString::fromLatin1(tool));
  return spec != nullptr ? spec->select.id : 0;
}

// The first Select command a tool's page carries out itself, 0 when none.
inline int ActionOf(const char* tool) {
  const ToolSpec* spec = FindTool(QString::fromLatin1(tool));
  return spec != nullptr && !spec->actions.empty() ? spec->actions.front().id : 0;
}

}  // namespace tesmo

// The tool registry.
#include "tools/tool_spec.h"

#include <algorithm>
#include <cstring>

#include "core/base/number_text.h"

namespace tesmo {
namespace {

// Filled during static initialisation, read-only afterwards.
std::vector<ToolSpec>& Registry() {
  static std::vector<ToolSpec> tools;
  return tools;
}

}  // namespace

CToolRegistration::CToolRegistration(ToolSpec spec) {
  std::vector<ToolSpec>& tools = Registry();
  auto at = std::upper_bound(
      tools.begin(), tools.end(), spec,
      [](const ToolSpec& a, const ToolSpec& b) { return std::strcmp(a.sortKey, b.sortKey) < 0; });
  tools.insert(at, std::move(spec));
}

const std::vector<ToolSpec>& RegisteredTools() {
  return Registry();
}

const ToolSpec* FindTool(const QString& name) {
  for (const ToolSpec& tool : Registry()) {
    if (name == QLatin1String(tool.name)) return &tool;
  }
  return nullptr;
}

std::vector<GridMenuItem> SelectMenuItems() {
  std::vector<GridMenuItem> items, actions;
  for (const ToolSpec& tool : Registry()) {
    if (tool.select.id != 0) items.push_back({tool.select.id, tool.select.text});
    for (const SelectCommand& action : tool.actions) actions.push_back({action.id, action.text});
  }
  std::sort(actions.begin(), actions.end(), [](const GridMenuItem& a, const GridMenuItem& b) {
    return std::strcmp(a.text, b.text) < 0;
  });
  if (!actions.empty()) items.push_back({0, ""});
  items.insert(items.end(), actions.begin(), actions.end());
  return items;
}

bool IsSelectCommand(int commandId) {
  if (commandId == 0) return false;
  for (const GridMenuItem& item : SelectMenuItems()) {
    if (item.commandId == commandId) return true;
  }
  return false;
}

std::optional<QString> BatchOptions::Text(const char* name) const {
  auto found = pageOptions.find(QString::fromUtf8(name));
  if (found == pageOptions.end()) return std::nullopt;
  return found->second;
}

std::optional<unsigned> BatchOptions::Number(const char* name) const {
  auto found = pageOptions.find(QString::fromUtf8(name));
  uint32_t value = 0;
  if (found == pageOptions.end() || !ParseUnsignedText(found->second, &value)) return std::nullopt;
  return value;
}

QStringList BatchOptions::Values(const char* name) const {
  auto found = pageOptionValues.find(QString::fromUtf8(name));
  return found == pageOptionValues.end() ? QStringList() : found->second;
}

void PrintGridRows(BatchContext& context, const CGridData& grid) {
  grid.WriteRows(1, grid.Rows() - 1,
                 [&](QByteArrayView piece) { context.print(QString::fromUtf8(piece)); });
}

}  // namespace tesmo

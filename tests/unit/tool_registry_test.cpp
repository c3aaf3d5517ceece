// The tool registry as the window, the grids' Select menu and --batch read
// it: every tool once, every command once, the menu in the window's order.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "core/base/string_table.h"
#include "tools/tool_spec.h"

using namespace tesmo;

namespace {

TEST(ToolRegistry, NamesKeysAndCommandsAreUnique) {
  const std::vector<ToolSpec>& tools = RegisteredTools();
  ASSERT_FALSE(tools.empty());
  std::set<std::string> names, keys;
  std::set<int> commands;
  for (const ToolSpec& tool : tools) {
    EXPECT_TRUE(names.insert(tool.name).second) << tool.name;
    EXPECT_TRUE(keys.insert(tool.sortKey).second) << tool.sortKey;
    EXPECT_FALSE(LoadString(tool.captionId).isEmpty()) << tool.name;
    EXPECT_EQ(FindTool(QString::fromLatin1(tool.name)), &tool);
    // A batch entry has its line in --help.
    EXPECT_EQ(tool.run != nullptr, tool.summary != nullptr) << tool.name;
    std::vector<SelectCommand> all = tool.actions;
    if (tool.select.id != 0) all.push_back(tool.select);
    for (const SelectCommand& command : all) {
      EXPECT_TRUE(commands.insert(command.id).second) << command.text;
      EXPECT_TRUE(IsSelectCommand(command.id)) << command.text;
    }
  }
  EXPECT_EQ(FindTool(QStringLiteral("nosuchtool")), nullptr);
  EXPECT_FALSE(IsSelectCommand(0));
}

// The commands that open a page in tab order, a separator, then the pages'
// own commands by their text.
TEST(ToolRegistry, SelectMenuFollowsTheTabs) {
  std::vector<int> expected;
  std::vector<std::string> actions;
  for (const ToolSpec& tool : RegisteredTools()) {
    if (tool.select.id != 0) expected.push_back(tool.select.id);
    for (const SelectCommand& action : tool.actions) actions.push_back(action.text);
  }
  std::sort(actions.begin(), actions.end());
  const std::vector<GridMenuItem> menu = SelectMenuItems();
  ASSERT_EQ(menu.size(), expected.size() + 1 + actions.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(menu[i].commandId, expected[i]);
  EXPECT_EQ(menu[expected.size()].commandId, 0);
  for (size_t i = 0; i < actions.size(); ++i) {
    EXPECT_EQ(menu[expected.size() + 1 + i].text, actions[i]);
  }
}

}  // namespace

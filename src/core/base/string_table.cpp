// The string table. Its entries live in resources/strings.inc so that every
// caption, tool tip and message of the program is in one place.
#include "core/base/string_table.h"

#include <unordered_map>

namespace tesmo {
namespace {
struct Entry {
  int id;
  const char* text;
};
const Entry kEntries[] = {
#include "resources/strings.inc"
};
}  // namespace

QString LoadString(int id) {
  static const std::unordered_map<int, const char*> table = [] {
    std::unordered_map<int, const char*> map;
    for (const Entry& e : kEntries) map.emplace(e.id, e.text);
    return map;
  }();
  auto it = table.find(id);
  return it == table.end() ? QString() : QString::fromUtf8(it->second);
}

}  // namespace tesmo

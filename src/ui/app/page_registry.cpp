#include "ui/app/page_registry.h"

namespace tesmo {
namespace {

struct Registered {
  const char* toolName;
  PageFactory create;
  PageTraits traits;
};

// Filled during static initialisation, read-only afterwards.
std::vector<Registered>& Registry() {
  static std::vector<Registered> pages;
  return pages;
}

}  // namespace

CPageRegistration::CPageRegistration(const char* toolName, PageFactory create, PageTraits traits) {
  Registry().push_back({toolName, std::move(create), traits});
}

std::vector<PageRecord> RegisteredPages() {
  std::vector<PageRecord> records;
  for (const ToolSpec& tool : RegisteredTools()) {
    for (const Registered& page : Registry()) {
      if (QLatin1String(page.toolName) == QLatin1String(tool.name)) {
        records.push_back({&tool, page.create, page.traits});
        break;
      }
    }
  }
  return records;
}

}  // namespace tesmo

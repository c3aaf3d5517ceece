#include "ui/app/page_registry.h"

#include <algorithm>

namespace tesmo {
namespace {

// Filled during static initialisation, read-only afterwards.
std::vector<PageRecord>& Registry() {
  static std::vector<PageRecord> records;
  return records;
}

}  // namespace

CPageRegistration::CPageRegistration(PageRecord record) {
  std::vector<PageRecord>& records = Registry();
  auto at = std::upper_bound(records.begin(), records.end(), record.index,
                             [](int index, const PageRecord& r) { return index < r.index; });
  records.insert(at, std::move(record));
}

const std::vector<PageRecord>& RegisteredPages() {
  return Registry();
}

std::vector<BatchPage> BatchPagesOfRegistry() {
  std::vector<BatchPage> pages;
  for (const PageRecord& record : Registry()) {
    if (record.batch.run) {
      pages.push_back({record.name, record.batch.summary, record.batch.options, record.batch.run,
                       record.batch.resolvesHost});
    }
  }
  return pages;
}

}  // namespace tesmo

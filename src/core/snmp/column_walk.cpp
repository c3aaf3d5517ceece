// The column walk over the request layer's walk steps.
#include "core/snmp/column_walk.h"

#include <algorithm>
#include <chrono>

#include "core/base/status_channel.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {
namespace {

// Sub-identifiers of name after root; name must start with root.
std::span<const uint32_t> InstanceOf(const ObjectId& name, const ObjectId& root) {
  return std::span<const uint32_t>(name).subspan(root.size());
}

bool Inside(const ObjectId& name, const ObjectId& root) {
  return name.size() > root.size() && std::equal(root.begin(), root.end(), name.begin());
}

}  // namespace

ColumnWalkResult WalkColumns(const SnmpTarget& target, const std::vector<std::string>& columnOids,
                             std::vector<TableRow>& rows, const ColumnWalkOptions& options) {
  ColumnWalkResult outcome;
  if (columnOids.empty()) return outcome;
  std::vector<SnmpVarRequest> requests(columnOids.size());
  for (size_t k = 0; k < columnOids.size(); ++k) requests[k].objectId = columnOids[k];

  using Clock = std::chrono::steady_clock;
  auto lastReport = Clock::now();
  SnmpWalkState state;
  std::vector<ObjectId> asked;
  while (true) {
    if (target.stop != nullptr && target.stop->load() != 0) {
      outcome.stopped = true;
      break;
    }
    asked = state.next;  // empty before the first step: the roots are asked
    outcome.result = SnmpGetNext(requests, state, outcome.status, target);
    if (outcome.result == kSnmpStopped) {
      outcome.stopped = true;
      break;
    }
    if (outcome.result == kSnmpResponse && outcome.status == kSnmpNoSuchName &&
        state.errorIndex > 1 && static_cast<size_t>(state.errorIndex) <= state.sentColumns.size()) {
      // SNMPv1 fails a whole GETNEXT when one object runs past the end of the
      // agent's MIB, and names that object in the error index. When it is not
      // the first column, that column is exhausted: stop asking for it and
      // repeat the step for the others.
      int column = state.sentColumns[static_cast<size_t>(state.errorIndex) - 1];
      state.next = asked.empty() ? state.roots : asked;
      state.next[column].clear();
      continue;
    }
    if (outcome.result != kSnmpResponse || outcome.status != 0) break;

    TableRow row;
    const ObjectId& first = state.returned[0];
    std::span<const uint32_t> instance = InstanceOf(first, state.roots[0]);
    row.instance.assign(instance.begin(), instance.end());
    row.texts.resize(requests.size());
    row.texts[0] = requests[0].result;
    for (size_t k = 1; k < requests.size(); ++k) {
      const ObjectId& name = state.returned[k];
      const ObjectId& root = state.roots[k];
      if (name.empty() || !Inside(name, root)) {
        // Not asked any more, or the column has run out.
        row.texts[k] = kNotAvailableText;
        state.next[k].clear();
        continue;
      }
      std::span<const uint32_t> own = InstanceOf(name, root);
      auto order = std::lexicographical_compare_three_way(own.begin(), own.end(), instance.begin(),
                                                          instance.end());
      if (order == 0) {
        row.texts[k] = requests[k].result;
      } else if (order > 0) {
        // A hole at this instance: the answer belongs to a later row, so the
        // next step asks the same again.
        row.texts[k] = kNotAvailableText;
        state.next[k] = asked.empty() ? root : asked[k];
      } else {
        // An instance the first column lacks: go on from it.
        row.texts[k] = kNotAvailableText;
      }
    }

    const bool named = options.progressColumn >= 0 &&
                       static_cast<size_t>(options.progressColumn) < row.texts.size();
    bool report = false;
    if (named || options.onProgress) {
      auto now = Clock::now();
      report = now > lastReport + std::chrono::milliseconds(300);
      if (report) lastReport = now;
    }
    if (report && named)
      PostStatus("Getting %s", row.texts[static_cast<size_t>(options.progressColumn)].c_str());
    if (options.onRow) {
      options.onRow(row);
    } else {
      rows.push_back(std::move(row));
    }
    ++outcome.rows;
    if (report && options.onProgress) options.onProgress(outcome.rows);
    if (outcome.rows >= options.maxRows) {
      outcome.full = true;
      break;
    }
  }
  state.Release();
  return outcome;
}

}  // namespace tesmo

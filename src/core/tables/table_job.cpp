// The shared pieces of the table jobs.
#include "core/tables/table_job.h"

#include "core/app/batch.h"
#include "core/app/grid_data.h"
#include "core/app/job_control.h"
#include "core/app/settings_store.h"
#include "core/app/vendor_map.h"
#include "core/icmp/name_resolution.h"
#include "core/snmp/snmp_request.h"
#include "core/snmp/target_resolve.h"

namespace tesmo {

ColumnWalkOptions JobWalkOptions(int progressColumn) {
  ColumnWalkOptions options;
  options.stopFlag = &StopFlag;
  options.progressColumn = progressColumn;
  return options;
}

bool WalkEndedNormally(const ColumnWalkResult& walk) {
  if (walk.stopped) return true;
  if (walk.result != kSnmpResponse) return false;
  return walk.status == EndOfSubtree || walk.status == kSnmpNoSuchName ||
         walk.status == kSnmpNoError;
}

void NoteWalk(TableJobOutcome& outcome, const ColumnWalkResult& walk) {
  if (!WalkEndedNormally(walk)) outcome.answered = false;
  if (walk.stopped) outcome.stopped = true;
}

QString NameCell(bool resolve, const std::string& addressText) {
  if (!resolve || StopRequested()) return QString();
  return QString::fromStdString(ResolveAddressToName(addressText));
}

QString VendorCell(const std::string& hardwareAddress) {
  return QString::fromStdString(VendorOf(hardwareAddress));
}

bool ReadPageFlag(const char* section, const char* value, bool defaultValue) {
  return CSettingsStore::ReadInt(QString::fromUtf8(section), QString::fromUtf8(value),
                                 defaultValue ? 1 : 0) != 0;
}

void WritePageFlag(const char* section, const char* value, bool on) {
  CSettingsStore::WriteInt(QString::fromUtf8(section), QString::fromUtf8(value), on ? 1 : 0);
}

int RunTableBatch(BatchContext& context, const TableJob& job) {
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  const TableJobOutcome outcome = job(table, TargetOf(context.parameters));
  context.print(grid.RowsText(1, grid.Rows() - 1));
  return outcome.answered ? kBatchOk : kBatchNoAnswer;
}

}  // namespace tesmo

// The MBrowser page's --batch entry.
#include "batch/browser_batch.h"

#include <cstdio>

#include "batch/batch.h"
#include "core/mib/mib_nodes.h"
#include "core/mib/mib_walk.h"
#include "core/snmp/mib_tree.h"
#include "core/snmp/oid_text.h"
#include "core/snmp/target_resolve.h"

namespace tesmo {

int RunBrowserBatch(BatchContext& context) {
  auto given = context.options.pageOptions.find(QStringLiteral("--oid"));
  if (given == context.options.pageOptions.end() || given->second.trimmed().isEmpty()) {
    std::fprintf(stderr, "tesmo: browser: --oid OID is required\n");
    return kBatchUsage;
  }
  const QString oid = given->second.trimmed();
  // The textual OID of the deepest known node, as the page shows it after
  // the numeric field was typed.
  QString oidText, oidNumeric = oid;
  ObjectId id;
  if (ParseObjectId(oid.toStdString(), id)) {
    oidText = DefinitionOf(DeepestNode(id)).oidText;
    oidNumeric = NumericOidText(id);
  }
  CResultLines lines;
  const MibWalkOutcome outcome = RunMibWalk(TargetOf(context.parameters), oid.toStdString(), lines);
  context.print(BrowserReport(oidText, oidNumeric, lines.Lines()));
  return outcome.answered ? kBatchOk : kBatchNoAnswer;
}

}  // namespace tesmo

// The MBrowser page's tool: walk and SET of any object, over the loaded MIB.
#include <cstdint>
#include <cstdio>

#include "core/base/status_channel.h"
#include "core/snmp/mib_nodes.h"
#include "core/snmp/mib_tree.h"
#include "core/snmp/oid_text.h"
#include "tools/browser/mib_walk.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

int RunBrowserBatch(BatchContext& context) {
  const QString oid = context.options.Text("--oid").value_or(QString()).trimmed();
  if (oid.isEmpty()) {
    std::fprintf(stderr, "tesmo: browser: --oid OID is required\n");
    return kBatchUsage;
  }
  // A path or a label typed alone ("ifInOctets"); a name that names nothing
  // is the caller's mistake, not the agent's.
  const ObjectNameMatch match = LookUpObjectName(oid.toStdString());
  if (match.id.empty()) {
    std::fprintf(stderr, "tesmo: browser: no MIB object is named %s\n", oid.toUtf8().constData());
    return kBatchUsage;
  }
  if (!match.nodes.empty()) PostStatusText(NameMatchText(match));
  // The textual OID of the deepest known node, as the page shows it after
  // the numeric field was typed.
  const QString oidText = DefinitionOf(DeepestNode(match.id)).oidText;
  const QString oidNumeric = NumericOidText(match.id);
  // The report's head, then each line as the walk fetches it: a walk holds
  // no memory.
  context.print(BrowserReport(oidText, oidNumeric, {}));
  CLineStore lines;
  lines.SetSink([&context](const std::string& line) {
    context.print(QString::fromStdString(line) + QLatin1Char('\n'));
  });
  MibObjectSink onObject;
  if (context.report.Wanted()) {
    context.report.SetColumns(
        {{QStringLiteral("oid")}, {QStringLiteral("type")}, {QStringLiteral("value")}});
    onObject = [&context](const std::string& oid, int type, const std::string& value) {
      context.report.AddRecord({QString::fromStdString(oid), QLatin1String(SnmpValueTypeName(type)),
                                QString::fromStdString(value)});
    };
    context.report.AddField(QStringLiteral("query"), oidText);
    context.report.AddField(QStringLiteral("oid"), oidNumeric);
  }
  const MibWalkOutcome outcome = RunMibWalk(context.job, oidNumeric.toStdString(), lines, onObject);
  return outcome.answered ? kBatchOk : kBatchNoAnswer;
}

const CToolRegistration registration({
    .sortKey = "K.Browser",
    .name = "browser",
    .captionId = 152,
    .summary = "every object below --oid OID, as the MIB browser's report (MBrowser page)",
    .options = {{"--oid", "OID", false}},
    .run = RunBrowserBatch,
});

}  // namespace
}  // namespace tesmo

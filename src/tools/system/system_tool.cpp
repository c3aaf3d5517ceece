// The Parameters page's tool: the target's system group and SNMP parameters.
#include "core/base/status_channel.h"
#include "core/snmp/snmp_names.h"
#include "tools/system/parameters_data.h"
#include "tools/system/system_query.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

// The report's fields by the labels of its text, typed.
void ReportFields(const ParametersData& d, CBatchReport& report) {
  const auto field = [&](const char* label, const QString& value,
                         ReportType type = ReportType::kText) {
    report.AddField(QLatin1String(label), value, type);
  };
  field("Host Name", d.host);
  field("IP address", d.ipAddress, ReportType::kAddress);
  field("DNS Host Name", d.dnsName);
  if (d.family != AddressFamilyChoice::kEither) {
    field("Address family", QLatin1String(AddressFamilyText(d.family)));
  }
  field("Read Community", d.readCommunity);
  field("Write Community", d.writeCommunity);
  field("SNMP port", QString::number(d.port), ReportType::kNumber);
  field("SNMP timeout", QString::number(d.timeoutMs), ReportType::kNumber);
  field("SNMP retries", QString::number(d.retries), ReportType::kNumber);
  if (d.version != SnmpVersion::kV1) {
    field("SNMP version", QString::fromLatin1(SnmpVersionText(d.version)));
  }
  if (d.version == SnmpVersion::kV3) field("SNMPv3 user", QString::fromStdString(d.usm.user));
  field("SysName", d.system.name);
  field("SysDescr", d.system.descr);
  field("SysContact", d.system.contact);
  field("SysLocation", d.system.location);
  field("SysObjectID", d.system.objectId);
  field("SysServices", d.system.services, ReportType::kNumber);
  field("SysUpTime", d.system.upTime);
  field("IfNumber", d.system.ifNumber, ReportType::kNumber);
}

int RunSystemBatch(BatchContext& context) {
  ParametersData data;
  static_cast<TargetParameters&>(data) = context.parameters;
  PostStatus("Getting SysInfo variables");
  const SystemQueryOutcome outcome = QuerySystemGroup(context.job, data.system);
  if (!outcome.answered) return kBatchNoAnswer;
  PostStatus("SysInfo variables OK");
  context.print(ParametersReport(data));
  if (context.report.Wanted()) ReportFields(data, context.report);
  return kBatchOk;
}

const CToolRegistration registration({
    .sortKey = "A.Parameters",
    .name = "system",
    .captionId = 147,
    .select = {32776, "Get System"},
    .actions = {{32781, "Telnet"}},
    .summary = "the target's system group and SNMP parameters (Parameters page)",
    .run = RunSystemBatch,
});

}  // namespace
}  // namespace tesmo

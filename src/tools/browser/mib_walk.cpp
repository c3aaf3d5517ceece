// The MIB browser's walk.
#include "tools/browser/mib_walk.h"

#include <chrono>

#include "core/base/status_channel.h"
#include "core/grid/table_fill.h"
#include "core/snmp/oid_text.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {

MibWalkOutcome RunMibWalk(const JobContext& context, const std::string& startOid, CLineStore& lines,
                          const MibObjectSink& onObject) {
  const SnmpTarget& target = context.target;
  PostStatus("Browsing mibs");
  lines.Clear();
  MibWalkOutcome outcome;
  SnmpVarRequest request;
  request.objectId = startOid;
  SnmpWalkState state;
  CProgressThrottle progress(std::chrono::milliseconds(700));
  int result = kSnmpResponse;
  int status = 0;
  while (!context.Stopped()) {
    result = SnmpGetNext(std::span<SnmpVarRequest>(&request, 1), state, status, target);
    if (result != kSnmpResponse || status != 0) break;
    const std::string oidText = FormatObjectId(state.returned[0]);
    if (progress.Due()) PostStatus("Getting [%u] : %s", outcome.count, oidText.c_str());
    if (!lines.Append(oidText + kResultSeparator + request.result)) {
      // A subtree larger than any list may hold, or an agent whose table
      // never ends.
      outcome.full = true;
      break;
    }
    ++outcome.count;
    if (onObject) onObject(oidText, request.valueType, request.result);
  }
  // An agent ends an SNMPv1 walk past the end of its MIB with noSuchName.
  outcome.answered = !outcome.full &&
                     (context.Stopped() || (result == kSnmpResponse &&
                                            (status == EndOfSubtree || status == kSnmpNoSuchName)));
  state.Release();
  if (outcome.full) {
    PostStatus("Stopped after %u lines, the most a walk shows", outcome.count);
  } else if (context.Stopped()) {
    PostStatus("Stopped: %u line(s) fetched, the walk is incomplete", outcome.count);
  } else if (outcome.answered) {
    PostStatus("Ready");
  }
  // Otherwise the request layer's text of the failure stays on the status line.
  return outcome;
}

bool RunMibSet(const JobContext& context, const std::string& instance, const std::string& value,
               char typeLetter) {
  int status = 0;
  // Failures are told by the request layer; only a success needs a word.
  if (SnmpSet(instance, value, typeLetter, status, context.target) != kSnmpResponse ||
      status != 0) {
    return false;
  }
  PostStatus("Ready");
  return true;
}

const char* SnmpValueTypeName(int valueType) {
  // The tags of RFC 2578 and RFC 3416 as the request layer passes them on.
  struct TypeName {
    int tag;
    const char* name;
  };
  static constexpr TypeName kNames[] = {
      {0x02, "INTEGER"},           {0x03, "BITS"},
      {0x04, "OCTET STRING"},      {0x05, "NULL"},
      {0x06, "OBJECT IDENTIFIER"}, {0x40, "IpAddress"},
      {0x41, "Counter32"},         {0x42, "Gauge32"},
      {0x43, "TimeTicks"},         {0x44, "Opaque"},
      {0x46, "Counter64"},         {0x80, "noSuchObject"},
      {0x81, "noSuchInstance"},    {0x82, "endOfMibView"},
  };
  for (const TypeName& entry : kNames) {
    if (entry.tag == valueType) return entry.name;
  }
  return "";
}

bool SplitResultLine(const QString& line, QString* oidText, QString* valueText) {
  const qsizetype at = line.indexOf(QLatin1String(kResultSeparator));
  if (at < 0) return false;
  *oidText = line.left(at);
  *valueText = line.mid(at + static_cast<qsizetype>(sizeof kResultSeparator - 1));
  return true;
}

bool ParseResultOid(const QString& oidText, ObjectId& id) {
  const std::string text = oidText.toStdString();
  if (ParseObjectId(text, id)) return true;
  for (const char* prefix :
       {".iso.org.dod.internet.mgmt.mib-2", ".iso.org.dod.internet.experimental",
        ".iso.org.dod.internet.private", ".iso.org.dod.internet.snmpParties",
        ".iso.org.dod.internet.snmpSecrets"}) {
    if (ParseObjectId(std::string(prefix) + "." + text, id)) return true;
  }
  return false;
}

QString NumericOidText(std::span<const uint32_t> id) {
  QString text;
  for (uint32_t sub : id) text += QStringLiteral(".%1").arg(sub);
  return text;
}

QString BrowserReport(const QString& oidText, const QString& oidNumeric, const QStringList& lines) {
  QString report = QStringLiteral("Mib browser result\n------------------\nquery : ") + oidText +
                   QStringLiteral("\n------- (") + oidNumeric + QStringLiteral(")\n");
  for (const QString& line : lines) report += line + QLatin1Char('\n');
  return report;
}

}  // namespace tesmo

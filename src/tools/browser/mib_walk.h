// The MIB browser's walk: every object of a subtree of the target agent as a
// result line "OID  :  value" in a line store that the window follows,
// reading a line back, and the browser's report.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "core/base/job_context.h"
#include "core/lines/line_store.h"
#include "core/snmp/snmp_types.h"

namespace tesmo {

// Between the OID text and the value text of a result line.
inline constexpr char kResultSeparator[] = "  :  ";

struct MibWalkOutcome {
  unsigned count = 0;
  bool answered = true;  // the walk reached the end of the subtree, or Stop ended it
  bool full = false;     // the lines reached their cap: the walk stopped there
};

// The walk from startOid (any form ParseObjectId reads) on the target with
// its read community: "Browsing mibs", the lines emptied, one line per object
// until the agent leaves the subtree or answers with an error (or Stop, or
// the lines reach their cap), "Getting [%u] : %s" at most every 700 ms, and
// "Ready". Runs on a job's thread.
// onObject, when given, also gets each object's OID text, ASN.1 tag and
// value text as it is added.
using MibObjectSink =
    std::function<void(const std::string& oidText, int valueType, const std::string& value)>;
MibWalkOutcome RunMibWalk(const JobContext& context, const std::string& startOid, CLineStore& lines,
                          const MibObjectSink& onObject = {});

// The SMI name of an ASN.1 tag of a value ("INTEGER", "Counter32"), empty
// for one that is none of them.
const char* SnmpValueTypeName(int valueType);

// The browser's SET of one object (typeLetter as SnmpSet takes it) with the
// write community; "Ready" when the agent took it, otherwise the request
// layer's text stays. True when it was taken.
bool RunMibSet(const JobContext& context, const std::string& instance, const std::string& value,
               char typeLetter);

// The OID text and the value text of a line; false without a separator.
bool SplitResultLine(const QString& line, QString* oidText, QString* valueText);

// The object identifier of a result line's OID text: as ParseObjectId reads
// it, else below each of the usual prefixes in turn (mib-2, experimental,
// private, snmpParties, snmpSecrets).
bool ParseResultOid(const QString& oidText, ObjectId& id);

// ".%u" per sub-identifier.
QString NumericOidText(std::span<const uint32_t> id);

// The Copy report: title, "query : " and the textual OID, the numeric OID,
// then every line.
QString BrowserReport(const QString& oidText, const QString& oidNumeric, const QStringList& lines);

}  // namespace tesmo

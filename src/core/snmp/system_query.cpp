#include "core/snmp/system_query.h"

#include <array>

#include "core/base/status_channel.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {

SystemQueryOutcome QuerySystemGroup(const SnmpTarget& target, SystemGroup& system) {
  std::array<SnmpVarRequest, 8> requests;
  const char* const oids[8] = {".1.3.6.1.2.1.1.1.0", ".1.3.6.1.2.1.1.2.0", ".1.3.6.1.2.1.1.3.0",
                               ".1.3.6.1.2.1.1.4.0", ".1.3.6.1.2.1.1.5.0", ".1.3.6.1.2.1.1.6.0",
                               ".1.3.6.1.2.1.1.7.0", ".1.3.6.1.2.1.2.1.0"};
  for (size_t i = 0; i < requests.size(); ++i) requests[i].objectId = oids[i];
  SystemQueryOutcome outcome;
  outcome.result = SnmpGet(requests, outcome.status, target);
  outcome.answered = outcome.result == kSnmpResponse && outcome.status == kSnmpNoError;
  if (!outcome.answered) return outcome;
  QString* const fields[8] = {&system.descr, &system.objectId, &system.upTime,   &system.contact,
                              &system.name,  &system.location, &system.services, &system.ifNumber};
  for (size_t i = 0; i < requests.size(); ++i)
    *fields[i] = QString::fromStdString(requests[i].result);
  return outcome;
}

}  // namespace tesmo

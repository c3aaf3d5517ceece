// The Parameters page's job.
#include "tools/system/system_query.h"

#include <vector>

#include "core/base/status_channel.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {

SystemQueryOutcome QuerySystemGroup(const JobContext& context, SystemGroup& system) {
  const char* const oids[8] = {".1.3.6.1.2.1.1.1.0", ".1.3.6.1.2.1.1.2.0", ".1.3.6.1.2.1.1.3.0",
                               ".1.3.6.1.2.1.1.4.0", ".1.3.6.1.2.1.1.5.0", ".1.3.6.1.2.1.1.6.0",
                               ".1.3.6.1.2.1.1.7.0", ".1.3.6.1.2.1.2.1.0"};
  QString* const fields[8] = {&system.descr, &system.objectId, &system.upTime,   &system.contact,
                              &system.name,  &system.location, &system.services, &system.ifNumber};
  // The objects still asked for, by field; an SNMPv1 agent that lacks one
  // fails the whole GET with noSuchName and names it in the error index: it
  // is dropped and the rest asked again, as often as there are objects.
  std::vector<size_t> asked = {0, 1, 2, 3, 4, 5, 6, 7};
  std::vector<size_t> missing;
  SystemQueryOutcome outcome;
  std::vector<SnmpVarRequest> requests;
  for (size_t round = 0; round < 8 && !asked.empty(); ++round) {
    requests.assign(asked.size(), SnmpVarRequest{});
    for (size_t i = 0; i < asked.size(); ++i) requests[i].objectId = oids[asked[i]];
    int errorIndex = 0;
    outcome.result = SnmpGet(requests, outcome.status, context.target, &errorIndex);
    if (outcome.result != kSnmpResponse || outcome.status != kSnmpNoSuchName || errorIndex < 1 ||
        static_cast<size_t>(errorIndex) > asked.size()) {
      break;
    }
    missing.push_back(asked[static_cast<size_t>(errorIndex) - 1]);
    asked.erase(asked.begin() + (errorIndex - 1));
  }
  outcome.answered = outcome.result == kSnmpResponse &&
                     (outcome.status == kSnmpNoError || (asked.empty() && !missing.empty()));
  if (!outcome.answered) return outcome;
  if (asked.empty()) outcome.status = kSnmpNoError;
  for (size_t i = 0; i < asked.size(); ++i) {
    // An SNMPv2 agent answers an object it lacks with an exception value.
    const int type = requests[i].valueType;
    const bool missing =
        type == kTagNoSuchObject || type == kTagNoSuchInstance || type == kTagEndOfMibView;
    *fields[asked[i]] = missing ? QString::fromLatin1(kNotAvailableText)
                                : QString::fromStdString(requests[i].result);
  }
  for (size_t field : missing) *fields[field] = QString::fromLatin1(kNotAvailableText);
  return outcome;
}

}  // namespace tesmo

// The lab's SNMP agents as the tests reach them (tests/lab/lab and lab.d),
// and what net-snmp's own client reads from the lab's agent.
#pragma once

#include <QProcess>
#include <QString>
#include <cstdint>
#include <string>

#include "core/base/snmp_target.h"

namespace tesmo {

// UDP port of the lab's own agent on the lab namespace's loopback.
inline uint16_t LabSnmpPort() {
  const int port = qEnvironmentVariableIntValue("TESMO_LAB_SNMP_PORT");
  return static_cast<uint16_t>(port > 0 ? port : 16161);
}

// An agent of the lab with the lab's community: by default the lab's own,
// asked with a one-second time-out and one retry.
inline SnmpTarget LabAgent(const std::string& address = "127.0.0.1", uint16_t port = LabSnmpPort(),
                           int timeoutMs = 1000, int retries = 1) {
  SnmpTarget target;
  target.address = address;
  target.port = port;
  target.timeoutMs = timeoutMs;
  target.retries = retries;
  return target;
}

// What snmpget reads of oid from the lab's own agent, quotes dropped: the
// truth for fields a test cannot know in advance.
inline QString SnmpGetValue(const QString& oid) {
  QProcess p;
  p.start("snmpget", {"-v1", "-c", "meadow", "-Oqv", "-t", "1", "-r", "1",
                      "127.0.0.1:" + QString::number(LabSnmpPort()), oid});
  p.waitForFinished(10000);
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed().remove('"');
}

}  // namespace tesmo

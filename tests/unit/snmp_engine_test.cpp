// The SNMPv3 engine discovery report, the one SNMP message our own code
// decodes: what is taken from it, and what makes it no answer to our probe.
#include <gtest/gtest.h>

#include <string>

#include "core/snmp/snmp_session.h"
#include "support/fake_agent.h"

namespace {

using tesmo::fake::Integer;
using tesmo::fake::Tlv;

std::string Report(long version, long messageId, const std::string& engineId, long boots,
                   long time) {
  const std::string security = Tlv(0x30, Tlv(0x04, engineId) + Integer(boots) + Integer(time) +
                                             Tlv(0x04, "") + Tlv(0x04, "") + Tlv(0x04, ""));
  const std::string header =
      Tlv(0x30, Integer(messageId) + Integer(65507) + Tlv(0x04, std::string(1, '\0')) + Integer(3));
  const std::string pdu = Tlv(0xA8, Integer(messageId) + Integer(0) + Integer(0) + Tlv(0x30, ""));
  const std::string scoped = Tlv(0x30, Tlv(0x04, engineId) + Tlv(0x04, "") + pdu);
  return Tlv(0x30, Integer(version) + header + Tlv(0x04, security) + scoped);
}

TEST(SnmpEngineReport, OnlyTheAnswerToOurProbeIsTaken) {
  constexpr int kProbe = 4711;
  const std::string engine = "\x80\x00\x1f\x88\x04tesmo";
  const struct {
    const char* what;
    std::string message;
    bool taken;
  } cases[] = {
      {"the report to our probe", Report(3, kProbe, engine, 7, 1234), true},
      {"a report to another message", Report(3, kProbe + 1, engine, 7, 1234), false},
      {"not version 3", Report(1, kProbe, engine, 7, 1234), false},
      {"no engine identifier", Report(3, kProbe, "", 7, 1234), false},
      {"an engine identifier past 32 bytes", Report(3, kProbe, std::string(33, 'e'), 7, 1), false},
      {"cut short", Report(3, kProbe, engine, 7, 1234).substr(0, 30), false},
  };
  for (const auto& c : cases) {
    tesmo::EngineIdentity identity;
    EXPECT_EQ(tesmo::ReadEngineReport(c.message, kProbe, identity), c.taken) << c.what;
    if (c.taken) {
      EXPECT_EQ(identity.engineId, engine);
      EXPECT_EQ(identity.boots, 7);
      EXPECT_EQ(identity.time, 1234);
    }
  }
}

}  // namespace

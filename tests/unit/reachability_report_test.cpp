// The Reachability report, the settings of the ping loop, and a batch run
// against a target that does not parse (nothing is sent anywhere).
#include "tools/reachability/reachability_report.h"

#include <gtest/gtest.h>

#include "core/base/job_control.h"
#include "core/base/job_runner.h"
#include "core/base/settings_store.h"
#include "tools/reachability/ping_loop.h"

namespace tesmo {
namespace {

TEST(ReachabilityReport, UntestedPage) {
  CServiceResults results;
  EXPECT_EQ(ReachabilityReport(results.All(), {}),
            "Reachability parameters\n"
            "-----------------------\n"
            "FTP : ?\n"
            "HTTP : ?\n"
            "Netbios : ?\n"
            "NNTP : ?\n"
            "POP3 : ?\n"
            "Print : ?\n"
            "SMTP : ?\n"
            "SNMP : ?\n"
            "Tcp Echo : ?\n"
            "Telnet : ?\n"
            "\n"
            "ping results\n"
            "------------\n");
}

TEST(ReachabilityReport, TestedRowsAndHistory) {
  CServiceResults results;
  results.Set(1, ServiceState::Ok);
  results.Set(7, ServiceState::Ok);
  results.Set(0, ServiceState::NotReachable);
  results.Set(9, ServiceState::NotReachable);
  std::string report = ReachabilityReport(
      results.All(),
      {"unreachable", "  12ms/  12ms/  12ms (   1/   2 :  50% <reachable (12 ms ttl:64)>)"});
  EXPECT_NE(report.find("\nFTP : not reachable\nHTTP : OK\nNetbios : ?\n"), std::string::npos);
  EXPECT_NE(report.find("\nSNMP : OK\nTcp Echo : ?\nTelnet : not reachable\n"), std::string::npos);
  EXPECT_TRUE(
      report.ends_with("ping results\n------------\nunreachable\n"
                       "  12ms/  12ms/  12ms (   1/   2 :  50% <reachable (12 ms ttl:64)>)\n"));
  results.Reset();
  for (ServiceState state : results.All()) EXPECT_EQ(state, ServiceState::Untested);
}

TEST(ReachabilityServices, TableInTestOrder) {
  const char* names[] = {"FTP",   "HTTP", "Netbios", "NNTP",     "POP3",
                         "Print", "SMTP", "SNMP",    "Tcp Echo", "Telnet"};
  const uint16_t ports[] = {21, 80, 139, 119, 110, 515, 25, 161, 7, 23};
  const int indicators[] = {1010, 1007, 1032, 1026, 1024, 1029, 1014, 1017, 1008, 1012};
  for (int i = 0; i < kServiceCount; ++i) {
    const ReachabilityService& s = kReachabilityServices[static_cast<size_t>(i)];
    EXPECT_STREQ(s.name, names[i]);
    EXPECT_EQ(s.port, ports[i]) << s.name;
    EXPECT_EQ(s.indicatorId, indicators[i]) << s.name;
    EXPECT_EQ(s.snmp, i == 7) << s.name;
  }
}

TEST(PingSettingsStore, DefaultsAndRoundTrip) {
  PingSettings factory = FactoryPingSettings();
  EXPECT_EQ(factory.packetLength, 50u);
  EXPECT_EQ(factory.timeBetweenPing, 1000u);
  EXPECT_EQ(factory.timeout, 1000u);
  EXPECT_EQ(factory.ttl, 64u);
  EXPECT_FALSE(factory.mustBePinged);
  PingSettings read = ReadPingSettings();
  EXPECT_EQ(read.packetLength, 50u);
  EXPECT_FALSE(read.mustBePinged);

  PingSettings mine{70000, 0, 250, 300, true};
  WritePingSettings(mine);
  EXPECT_EQ(CSettingsStore::ReadInt("Reachability", "PingPacketLength", 0), 70000);
  EXPECT_EQ(CSettingsStore::ReadInt("Reachability", "MustBePinged", 0), 1);
  read = ReadPingSettings();
  EXPECT_EQ(read.packetLength, 70000u);
  EXPECT_EQ(read.timeBetweenPing, 0u);
  EXPECT_EQ(read.timeout, 250u);
  EXPECT_EQ(read.ttl, 300u);
  EXPECT_TRUE(read.mustBePinged);
  WritePingSettings(factory);
}

TEST(ReachabilityBatch, TargetThatDoesNotParse) {
  int echoes = 0;
  EchoFunction echo = [&echoes](const EchoRequest&) {
    ++echoes;
    return EchoResult{};
  };
  SnmpTarget target;
  target.address = "10.0.0.300";
  PingSettings ping;
  ping.timeBetweenPing = 0;
  ReachabilityBatchResult result;
  RunJobHere([&] { result = RunReachabilityBatch(target, ping, 2, echo); });
  EXPECT_EQ(echoes, 0);
  EXPECT_FALSE(result.answered);
  EXPECT_NE(result.report.find("FTP : not reachable\n"), std::string::npos);
  EXPECT_NE(result.report.find("SNMP : not reachable\n"), std::string::npos);
  EXPECT_TRUE(result.report.ends_with("------------\ninvalid address\ninvalid address\n"));
  EXPECT_EQ(StopFlag.load(), 1);  // the job protocol was closed again
}

}  // namespace
}  // namespace tesmo

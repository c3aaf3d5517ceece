// The sweep's sets and extra columns against the chain lab (lab.d/chain.up):
// its /24 behind r1 with live hosts, silent ones and a host r1 knows that
// drops echoes. Runs in the lab's client namespace.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "support/batch_run.h"

namespace tesmo {
namespace {

// The batch report with its round-trip times and the try counts' time-outs
// blanked: two sweeps of the same hosts print the same rows.
QString Steady(QString report) {
  static const QRegularExpression time(R"(\(\d+ ms ttl)");
  return report.replace(time, QStringLiteral("(N ms ttl"));
}

const std::set<int> kLiveHosts = {5, 17, 33, 60, 99, 128, 150, 201, 230, 254};
constexpr int kLateHost = 200;  // answers ARP, drops echoes

void SetLateHostAnswering(bool on) {
  const std::string command =
      "ip netns exec " + std::string(std::getenv("TESMO_LAB_NETNS")) +
      "-chlate sysctl -q -w net.ipv4.icmp_echo_ignore_all=" + (on ? "0" : "1");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// What snmpwalk reads from r1's ipNetToMediaPhysAddress for the swept /24:
// the host number to its hardware address as the grids write it.
std::map<int, QString> RouterArpOfSweptHosts() {
  QProcess walk;
  walk.start("snmpwalk",
             {"-v1", "-c", "meadow", "-On", "-t", "2", "10.72.1.1", ".1.3.6.1.2.1.4.22.1.2"});
  if (!walk.waitForFinished(20000)) return {};
  static const QRegularExpression line(
      R"(^\.1\.3\.6\.1\.2\.1\.4\.22\.1\.2\.\d+\.10\.72\.10\.(\d+) = Hex-STRING: ([0-9A-F ]+)$)");
  std::map<int, QString> hosts;
  for (const QString& text : QString::fromUtf8(walk.readAllStandardOutput()).split('\n')) {
    const QRegularExpressionMatch m = line.match(text.trimmed());
    if (m.hasMatch()) hosts[m.captured(1).toInt()] = m.captured(2).remove(' ');
  }
  return hosts;
}

TEST(SweepSets, EachFormGivesTheRowsOfTheSameFirstHostAndCount) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath(QStringLiteral("sweep.txt"));
  {
    std::ofstream out(file.toStdString());
    out << "# the first quarter of the lab's /24\n10.72.10.1-10.72.10.20  # a range\n";
    for (int h = 21; h <= 62; ++h) out << "10.72.10." << h << (h % 2 != 0 ? "\n" : ", ");
  }
  QStringList list;
  for (int h = 1; h <= 62; ++h) list << QStringLiteral("10.72.10.%1").arg(h);
  const QStringList common = {"pingfind", "--rounds", "1", "--timeout", "200", "--threads", "62"};
  const BatchRun reference = RunBatch(
      QStringList{"--batch", "10.72.10.1"} + common + QStringList{"--count", "62"}, dir.path());
  ASSERT_EQ(reference.exitCode, 0) << reference.err.toStdString();
  // The live hosts of the quarter answer, by name.
  for (const int live : {5, 17, 33, 60}) {
    EXPECT_TRUE(reference.out.contains(
        QStringLiteral("\t10.72.10.%1\tlive-%1.chain.test\treachable").arg(live)));
  }
  EXPECT_EQ(reference.out.count('\n'), 63);
  const QString sets[] = {"10.72.10.0/26", "10.72.10.1-10.72.10.62", list.join(','), list.join(' '),
                          "@" + file};
  for (const QString& set : sets) {
    SCOPED_TRACE(set.left(60).toStdString());
    const BatchRun run = RunBatch(QStringList{"--batch", set} + common, dir.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(Steady(run.out), Steady(reference.out));
    EXPECT_EQ(run.err.split('\n', Qt::SkipEmptyParts).last(), "Ready");
  }
  // Over the cap, with --count beside a set, and a name that does not
  // resolve: refused before one echo, each with its exit status.
  const struct {
    QStringList args;
    int exitCode;
    QString status;
  } refusals[] = {
      {{"10.0.0.0/8"}, 64, "The set holds more than 65536 addresses, the most one sweep takes"},
      {{"10.72.10.0/30", "--count", "2"},
       64,
       "pingfind: --count and --increment go with a first host, not with a set"},
      {{"10.72.10.5,no-such.chain.test"}, 1, "Cannot resolve \"no-such.chain.test\""},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.args.join(' ').toStdString());
    QStringList args = {"--batch", r.args[0], "pingfind"};
    args += r.args.mid(1);
    const BatchRun run = RunBatch(args, dir.path());
    EXPECT_EQ(run.exitCode, r.exitCode);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.split('\n', Qt::SkipEmptyParts).last(), r.status);
  }
}

TEST(SweepArp, HardwareAddressesAndVendorsFromTheRoutersArpTable) {
  SetLateHostAnswering(false);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // The vendor file of this run: two of the lab's prefixes.
  std::ofstream(dir.filePath("vendors.txt").toStdString())
      << "00A0C9 Chain Lab Cards\n525400 Chain Lab Virtual NICs\n";
  const BatchRun run =
      RunBatch({"--batch", "10.72.10.0/24", "pingfind", "--arp-from", "r1.chain.test", "--rounds",
                "1", "--timeout", "300", "--threads", "64"},
               dir.path(), dir.path());
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.err.split('\n', Qt::SkipEmptyParts).last(), "Ready");
  const std::map<int, QString> arp = RouterArpOfSweptHosts();
  // r1 learnt every live host and the late one on their links.
  std::set<int> known;
  for (const auto& [host, mac] : arp) known.insert(host);
  std::set<int> expected = kLiveHosts;
  expected.insert(kLateHost);
  EXPECT_EQ(known, expected);

  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 255);
  EXPECT_EQ(lines[0], "no\taddress\tname\tstatus\tMAC\tvendor\t");
  const QRegularExpression reachable(R"(^reachable \(\d+ ms ttl:63\)$)");
  for (int h = 1; h <= 254; ++h) {
    SCOPED_TRACE(h);
    const QStringList cells = lines[h].split('\t');
    ASSERT_EQ(cells.size(), 7);
    EXPECT_EQ(cells[1], QString("10.72.10.%1").arg(h));
    const auto found = arp.find(h);
    const QString mac = found == arp.end() ? QString() : found->second;
    EXPECT_EQ(cells[4], mac);
    EXPECT_EQ(cells[5], mac.isEmpty()              ? ""
                        : mac.startsWith("525400") ? "Chain Lab Virtual NICs"
                                                   : "Chain Lab Cards");
    if (kLiveHosts.count(h)) {
      EXPECT_TRUE(reachable.match(cells[3]).hasMatch()) << cells[3].toStdString();
    } else if (h == kLateHost) {
      EXPECT_EQ(cells[3], "silent, known to router");
    } else {
      EXPECT_EQ(cells[3], "unreachable (1 try(s), timeout 300 ms)");
    }
  }
  // Hosts of both vendors are in the lab.
  EXPECT_TRUE(run.out.contains("\tChain Lab Virtual NICs\t"));
  EXPECT_TRUE(run.out.contains("\tChain Lab Cards\t"));
}

TEST(SweepAskSnmp, RoutersGiveTheirNameAndDescriptionHostsWithoutAgentStayEmpty) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // Three routers with agents, two live hosts without, one silent address.
  const BatchRun run =
      RunBatch({"--batch", "10.72.1.1,10.72.2.2 10.72.3.2,10.72.10.5,10.72.10.17,10.72.10.3",
                "pingfind", "--ask-snmp", "--rounds", "1", "--timeout", "300"},
               dir.path());
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.err.split('\n', Qt::SkipEmptyParts).last(), "Ready");
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 7);
  EXPECT_EQ(lines[0], "no\taddress\tname\tstatus\tSNMP name\tdescription\t");
  const struct {
    QString address, snmpName, description;  // description: a pattern
  } rows[] = {
      {"10.72.1.1", "chain-r1", R"(Tesmo chain lab router 1 \(.+\))"},
      {"10.72.2.2", "chain-r2", R"(Tesmo chain lab router 2 \(.+\))"},
      {"10.72.3.2", "chain-r3", R"(Tesmo chain lab router 3 \(.+\))"},
      {"10.72.10.5", "", ""},
      {"10.72.10.17", "", ""},
      {"10.72.10.3", "", ""},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].address.toStdString());
    const QStringList cells = lines[static_cast<qsizetype>(i) + 1].split('\t');
    ASSERT_EQ(cells.size(), 7);
    EXPECT_EQ(cells[1], rows[i].address);
    EXPECT_EQ(cells[4], rows[i].snmpName);
    EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(rows[i].description))
                    .match(cells[5])
                    .hasMatch())
        << cells[5].toStdString();
  }
}

// A TCP listener on address:port for the test's life; the kernel completes
// the handshakes without an accept.
class CListener {
 public:
  CListener(const char* address, uint16_t port) {
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    inet_pton(AF_INET, address, &local.sin_addr);
    listening = bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
                listen(fd, 16) == 0;
  }
  ~CListener() { close(fd); }
  int fd = -1;
  bool listening = false;
};

TEST(SweepOpenServices, EachLiveHostListsTheTcpServicesThatAccept) {
  // The client itself listens as HTTP and Telnet; r1 refuses every port;
  // the far host listens on HTTP over IPv6 only.
  const CListener http("10.72.1.2", 80), telnet("10.72.1.2", 23);
  ASSERT_TRUE(http.listening && telnet.listening);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const BatchRun run =
      RunBatch({"--batch", "10.72.1.2,10.72.1.1,2001:db8:72:4::2,10.72.10.3", "pingfind",
                "--open-services", "--rounds", "1", "--timeout", "500"},
               dir.path());
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.err.split('\n', Qt::SkipEmptyParts).last(), "Ready");
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[0], "no\taddress\tname\tstatus\topen services\t");
  const QString expected[][2] = {{"10.72.1.2", "HTTP, Telnet"},
                                 {"10.72.1.1", ""},
                                 {"2001:db8:72:4::2", "HTTP"},
                                 {"10.72.10.3", ""}};
  for (int i = 0; i < 4; ++i) {
    const QStringList cells = lines[i + 1].split('\t');
    ASSERT_EQ(cells.size(), 6) << lines[i + 1].toStdString();
    EXPECT_EQ(cells[1], expected[i][0]);
    EXPECT_EQ(cells[4], expected[i][1]) << cells[1].toStdString();
  }
}

}  // namespace
}  // namespace tesmo

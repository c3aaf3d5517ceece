// Benchmark of the column walk, the Routing Table page's job and the value
// formatter.
//
// Walks a table (by default all thirteen columns of ipRouteTable) on an agent
// and prints rows per second next to net-snmp's snmptable -v1 over the same
// table on the same agent; runs the Routing Table page's whole job (its nine
// columns walked, the grid filled and sorted) next to snmptable -v1 over the
// same nine columns (TESMO-BENCH-ROUTE-MIB.txt); then the FormatSnmpValue
// throughput over a mix of typical values. Run it inside a namespace with a
// large route table: bench/snmp_walk/run-snmp-walk sets one up.
//
//   snmp_walk [--address A] [--port P] [--community C] [--table OID]
//             [--columns N] [--repeat N] [--no-snmptable] [--no-route-job] [--no-bulk]
//             [--format-seconds S]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/job_runner.h"
#include "core/grid/grid_data.h"
#include "core/snmp/column_walk.h"
#include "core/snmp/mib_loader.h"
#include "core/snmp/oid_text.h"
#include "core/snmp/snmp_request.h"
#include "core/snmp/value_text.h"
#include "tools/tables/table_pages.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs snmptable -v1 over the table and returns its wall time and row count.
bool RunSnmptable(const tesmo::SnmpTarget& target, const std::string& table,
                  const std::string& mibDirs, double& seconds, size_t& rows,
                  const std::string& modules = "ALL") {
  std::string command = "snmptable -v1 -c '" + target.readCommunity + "' -m '" + modules +
                        "' -M '" + mibDirs + "' -Cf '|' -CH -t " +
                        std::to_string(target.timeoutMs / 1000.0) + " -r " +
                        std::to_string(target.retries) + " " + target.address + ":" +
                        std::to_string(target.port) + " " + table + " 2>/dev/null";
  auto start = Clock::now();
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  rows = 0;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    if (line[0] != '\n') ++rows;
  }
  int status = pclose(pipe);
  seconds = Seconds(start);
  return status == 0;
}

// The Routing Table page's job against snmptable -v1 over the same nine
// columns; returns the number of failed runs.
int BenchRouteJob(const tesmo::SnmpTarget& target, const std::string& mibDirs, int repeat,
                  bool snmptable) {
  const std::string benchMibs = std::string(TESMO_BENCH_MIB_DIR) + ":" + mibDirs;
  std::printf("Routing Table page job (9 columns, grid filled and sorted), agent %s:%u\n",
              target.address.c_str(), target.port);
  int failures = 0;
  for (int run = 0; run < repeat; ++run) {
    double reference = 0;
    if (snmptable) {
      size_t rows = 0;
      if (RunSnmptable(target, "TESMO-BENCH-ROUTE-MIB::benchRouteTable", benchMibs, reference, rows,
                       "TESMO-BENCH-ROUTE-MIB")) {
        std::printf("snmptable -v1 (same columns): %zu rows in %.3f s\n", rows, reference);
      } else {
        std::printf("snmptable -v1 (same columns): failed\n");
        reference = 0;
        ++failures;
      }
      std::fflush(stdout);
    }
    tesmo::CGridData grid;
    tesmo::CTableGrid table;
    table.ResetGrid(&grid, 2, 2);
    auto start = Clock::now();
    tesmo::TableJobOutcome outcome;
    tesmo::RunJobHere([&] {
      outcome = tesmo::RunTableJob(tesmo::RouteTable(), tesmo::RouteTable().DefaultFlags(), table,
                                   target);
    });
    double seconds = Seconds(start);
    std::printf("Routing Table job:            %d rows in %.3f s", outcome.rows, seconds);
    if (reference > 0) std::printf(" = %.2fx snmptable (target <= 1.1x)", seconds / reference);
    std::printf("%s\n", outcome.answered ? "" : " [walk failed]");
    std::fflush(stdout);
    if (!outcome.answered) ++failures;
  }
  return failures;
}

// Walks the Routing Table page's nine columns under SNMPv2c with GETBULK at
// several max-repetitions, next to snmpbulkwalk over the same nine columns
// (one run per column) and the SNMPv1 walk; returns the failed runs.
int BenchBulk(const tesmo::SnmpTarget& v1Target, int repeat) {
  const std::vector<std::string> columns = {
      ".1.3.6.1.2.1.4.21.1.1",  ".1.3.6.1.2.1.4.21.1.2",  ".1.3.6.1.2.1.4.21.1.3",
      ".1.3.6.1.2.1.4.21.1.8",  ".1.3.6.1.2.1.4.21.1.7",  ".1.3.6.1.2.1.4.21.1.9",
      ".1.3.6.1.2.1.4.21.1.10", ".1.3.6.1.2.1.4.21.1.11", ".1.3.6.1.2.1.4.21.1.13"};
  tesmo::SnmpTarget v2 = v1Target;
  v2.version = tesmo::SnmpVersion::kV2c;
  int failures = 0;
  const auto walk = [&](const tesmo::SnmpTarget& target, size_t* rows) {
    std::vector<tesmo::TableRow> found;
    const auto start = Clock::now();
    const auto outcome = tesmo::WalkColumns(target, columns, found);
    if (outcome.result != 0) ++failures;
    *rows = found.size();
    return Seconds(start);
  };
  std::printf("GETBULK walk of the nine route columns, agent %s:%u\n", v1Target.address.c_str(),
              v1Target.port);
  for (int run = 0; run < repeat; ++run) {
    // snmpbulkwalk, one column after the other, same max-repetitions.
    const auto start = Clock::now();
    size_t lines = 0;
    for (const std::string& column : columns) {
      const std::string command = "snmpbulkwalk -v2c -c '" + v1Target.readCommunity + "' -Cr" +
                                  std::to_string(tesmo::kDefaultBulkRepetitions) + " -On -m '' " +
                                  v1Target.address + ":" + std::to_string(v1Target.port) + " " +
                                  column + " 2>/dev/null";
      FILE* pipe = popen(command.c_str(), "r");
      if (pipe == nullptr) continue;
      char line[1024];
      while (std::fgets(line, sizeof line, pipe) != nullptr) ++lines;
      pclose(pipe);
    }
    const double reference = Seconds(start);
    std::printf("snmpbulkwalk -Cr%ld (9 columns): %zu objects in %.3f s\n",
                tesmo::kDefaultBulkRepetitions, lines, reference);
    size_t rows = 0;
    const double v1 = walk(v1Target, &rows);
    std::printf("WalkColumns v1:               %zu rows in %.3f s\n", rows, v1);
    for (long repetitions : {10L, 25L, 50L, 100L}) {
      tesmo::SetBulkRepetitions(repetitions);
      const double seconds = walk(v2, &rows);
      std::printf(
          "WalkColumns v2c, %3ld rows:    %zu rows in %.3f s = %.2fx snmpbulkwalk, "
          "%.1fx faster than v1\n",
          repetitions, rows, seconds, seconds / reference, v1 / seconds);
    }
    tesmo::SetBulkRepetitions(tesmo::kDefaultBulkRepetitions);
    std::fflush(stdout);
  }
  return failures;
}

void BenchFormatter(double budget) {
  const uint32_t routeDest[] = {1, 3, 6, 1, 2, 1, 4, 21, 1, 1, 10, 1, 2, 0};
  const uint32_t routeType[] = {1, 3, 6, 1, 2, 1, 4, 21, 1, 8, 10, 1, 2, 0};
  const uint32_t ifDescr[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 2, 3};
  const uint32_t ifPhys[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 6, 3};
  const uint32_t ifIn[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 10, 3};
  const uint32_t upTime[] = {1, 3, 6, 1, 2, 1, 1, 3, 0};
  struct Item {
    std::span<const uint32_t> name;
    tesmo::SnmpValue value;
  };
  auto value = [](uint8_t type, int64_t integer, std::string_view bytes) {
    tesmo::SnmpValue v;
    v.type = type;
    v.integer = integer;
    v.bytes = bytes;
    return v;
  };
  const Item items[] = {
      {routeDest, value(tesmo::kTagIpAddress, 0, std::string_view("\x0a\x01\x02\x00", 4))},
      {routeType, value(tesmo::kTagInteger, 3, {})},
      {ifDescr, value(tesmo::kTagOctetString, 0, "enp3s0f1")},
      {ifPhys, value(tesmo::kTagOctetString, 0, std::string_view("\x00\xa0\xc9\x12\x34\x56", 6))},
      {ifIn, value(tesmo::kTagCounter, 123456789, {})},
      {upTime, value(tesmo::kTagTimeTicks, 123456, {})},
  };
  size_t count = 0;
  size_t bytes = 0;
  auto start = Clock::now();
  while (Seconds(start) < budget) {
    for (int round = 0; round < 1000; ++round) {
      for (const Item& item : items) {
        bytes += tesmo::FormatSnmpValue(item.name, item.value).size();
        ++count;
      }
    }
  }
  double elapsed = Seconds(start);
  std::printf("FormatSnmpValue: %zu values in %.2f s = %.0f values/s (target >= 1000000)%s\n",
              count, elapsed, count / elapsed, bytes == 0 ? " [no output?]" : "");
}

}  // namespace

int main(int argc, char** argv) {
  tesmo::SnmpTarget target;
  target.address = "127.0.0.1";
  target.port = 161;
  target.timeoutMs = 5000;
  target.retries = 1;
  std::string table = ".1.3.6.1.2.1.4.21.1";  // ipRouteEntry
  std::string tableName = "RFC1213-MIB::ipRouteTable";
  int columns = 13;
  int repeat = 1;
  bool snmptable = true;
  bool bulk = true;
  bool routeJob = true;
  double formatSeconds = 2.0;
  for (int i = 1; i < argc; ++i) {
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
    if (!std::strcmp(argv[i], "--address"))
      target.address = next();
    else if (!std::strcmp(argv[i], "--port"))
      target.port = static_cast<uint16_t>(std::atoi(next()));
    else if (!std::strcmp(argv[i], "--community"))
      target.readCommunity = next();
    else if (!std::strcmp(argv[i], "--table"))
      tableName = table = next();
    else if (!std::strcmp(argv[i], "--columns"))
      columns = std::atoi(next());
    else if (!std::strcmp(argv[i], "--repeat"))
      repeat = std::max(1, std::atoi(next()));
    else if (!std::strcmp(argv[i], "--no-snmptable"))
      snmptable = false;
    else if (!std::strcmp(argv[i], "--no-bulk"))
      bulk = false;
    else if (!std::strcmp(argv[i], "--no-route-job"))
      routeJob = false;
    else if (!std::strcmp(argv[i], "--format-seconds"))
      formatSeconds = std::atof(next());
    else {
      std::fprintf(stderr, "snmp_walk: unknown option %s\n", argv[i]);
      return 64;
    }
  }

  char cwd[4096];
  std::string mibDirs = tesmo::MibDirectoryList(getcwd(cwd, sizeof cwd) != nullptr ? cwd : ".");
  tesmo::LoadMibs(mibDirs);

  BenchFormatter(formatSeconds);

  std::vector<std::string> oids;
  for (int c = 1; c <= columns; ++c) oids.push_back(table + "." + std::to_string(c));
  std::printf("table %s, %d columns, agent %s:%u\n", table.c_str(), columns, target.address.c_str(),
              target.port);
  int failures = 0;
  for (int run = 0; run < repeat; ++run) {
    // Alternate the two so that the agent's caches favour neither.
    if (snmptable) {
      double seconds = 0;
      size_t rows = 0;
      if (RunSnmptable(target, tableName, mibDirs, seconds, rows)) {
        std::printf("snmptable -v1: %zu rows in %.3f s = %.0f rows/s\n", rows, seconds,
                    rows / seconds);
      } else {
        std::printf("snmptable -v1: failed\n");
        ++failures;
      }
      std::fflush(stdout);
    }
    std::vector<tesmo::TableRow> rows;
    auto start = Clock::now();
    auto outcome = tesmo::WalkColumns(target, oids, rows);
    double seconds = Seconds(start);
    std::printf("WalkColumns:   %zu rows in %.3f s = %.0f rows/s (result %d, status %d)\n",
                rows.size(), seconds, rows.size() / seconds, outcome.result, outcome.status);
    std::fflush(stdout);
    if (outcome.result != 0) ++failures;
  }
  if (routeJob) failures += BenchRouteJob(target, mibDirs, repeat, snmptable);
  if (bulk) failures += BenchBulk(target, repeat);
  tesmo::FreeMibs();
  return failures == 0 ? 0 : 1;
}

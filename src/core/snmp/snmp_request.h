// The SNMP request layer: synchronous SNMPv1 GET, GETNEXT walk steps and SET.
//
// Every call opens its own UDP session (a walk: one for the whole walk), holds
// SnmpMutex for its whole duration, posts its failures to the status line and
// hands values back as text in the program's own forms (value_text.h, oid_text.h).
//
// Result codes: kSnmpResponse (0) a response arrived, whatever its error
// status; kSnmpFailure (1) lock, session, object identifier, transport or
// encoding failure; kSnmpTimeout (2) no response after all retries. The
// status out-parameter is 0 at the start of every call and then the
// response's error status, or EndOfSubtree for a walk that left its table.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/base/snmp_target.h"
#include "core/snmp/snmp_types.h"

namespace tesmo {

constexpr int kSnmpResponse = 0;
constexpr int kSnmpFailure = 1;
constexpr int kSnmpTimeout = 2;
// The target's stop flag ended the wait for the answer; nothing is posted.
constexpr int kSnmpStopped = 3;

// Status of a walk step whose first column has left its subtree.
constexpr int EndOfSubtree = 1000;
// Status of a walk step answered with a name not after the one asked: the
// walk ends there ("Error: OID not increasing: %s"), an error answer.
constexpr int kSnmpNotIncreasing = 1001;
// Status of a GET answered without error but with fewer values than asked.
constexpr int kSnmpShortAnswer = 1002;

// Error statuses of SNMPv1 responses.
constexpr int kSnmpNoError = 0;
constexpr int kSnmpNoSuchName = 2;

// Rows a walk step asks for at once under SNMPv2c and v3 (GETBULK
// max-repetitions), chosen by measurement (bench/snmp_walk); the benchmark
// sets others to compare.
constexpr long kDefaultBulkRepetitions = 25;
void SetBulkRepetitions(long rows);

// Result text of a column that has no value in a walk step's row.
inline constexpr char kNotAvailableText[] = "## NA ##";

// One object of a request.
struct SnmpVarRequest {
  std::string objectId;  // in: dotted, numeric or with MIB labels
  std::string result;    // out: the value as text
  int valueType = 0;     // out: the value's ASN.1 tag
};

// The state of one walk, owned by its caller. Zero-initialised (as
// constructed) before the first step; released by Release() or the
// destructor, which close the session under SnmpMutex, so never destroy one
// while holding that lock.
//
// After each answered step, returned[k] is the name the agent gave for column
// k (empty when the column got none), and next[k] what the following step
// asks the successor of: by default the returned name. A caller may change
// next[k] between steps (repeat a column's previous request, or clear it to
// stop asking for that column, whose result then reads "## NA ##"). The first
// column is always asked for.
class SnmpWalkState {
 public:
  SnmpWalkState() = default;
  SnmpWalkState(const SnmpWalkState&) = delete;
  SnmpWalkState& operator=(const SnmpWalkState&) = delete;
  ~SnmpWalkState() { Release(); }

  // Closes the session and forgets the walk.
  void Release();

  void* session = nullptr;         // net-snmp single-session handle, open across steps
  int stepCount = 0;               // steps made so far
  std::vector<ObjectId> roots;     // the first request: one subtree root per column
  std::vector<ObjectId> next;      // per column: what the next step asks from
  std::vector<ObjectId> returned;  // per column: the name the last response returned
  std::vector<int> sentColumns;    // column of each object of the last request, in order
  long errorIndex = 0;             // error index of the last response (1-based, 0 none)

  // SNMPv2c and v3: the GETBULK answer whose rows serve the next steps
  // (netsnmp_pdu*), the next of its rows to serve, how many it holds, and
  // the columns and names the next row follows from.
  void* bulk = nullptr;
  size_t bulkRow = 0;
  size_t bulkRows = 0;
  std::vector<int> bulkColumns;
  std::vector<ObjectId> bulkNext;
};

// One GET of several objects. On a response with error status 0 the k-th
// returned object fills requests[k]; otherwise the requests are untouched.
// The read community is used. errorIndex, when given, receives the answer's
// error index (0 without one).
int SnmpGet(std::span<SnmpVarRequest> requests, int& status, const SnmpTarget& target,
            int* errorIndex = nullptr);

// One GET as SnmpGet that posts nothing and lets go of SnmpMutex while it
// waits (as SnmpProbe does), so that many run side by side without a silent
// host holding up the others. An object the agent answers with an exception
// value (SNMPv2c, v3) reads ""; an answer without error that leaves objects
// out gives kSnmpShortAnswer. The target's stop flag ends it within 100 ms.
int SnmpGetQuiet(std::span<SnmpVarRequest> requests, int& status, const SnmpTarget& target);

// One step of a walk over several columns at once (see SnmpWalkState). The
// first step asks for the successors of the requests' object identifiers,
// which are the subtree roots; a column whose answer lies outside its root
// reads "## NA ##". When the first column leaves its root, or any column's
// answer does not follow what was asked (a broken agent that would otherwise
// keep a walk going forever), status becomes EndOfSubtree.
int SnmpGetNext(std::span<SnmpVarRequest> requests, SnmpWalkState& state, int& status,
                const SnmpTarget& target);

// One SET of one object with the write community; typeLetter is the
// library's value-type letter (i u t a o s x d n, or = for the type the MIB
// declares).
int SnmpSet(const std::string& objectId, const std::string& valueText, char typeLetter, int& status,
            const SnmpTarget& target);

// Refused: a TCP probe's connection was refused (an SNMP probe never is).
enum class ProbeResult { Answered, NoAnswer, Refused, Stopped };

// Whether an agent answers at all: one GETNEXT of .1.3.6 with the read
// community, whatever the answer's error status. Posts nothing, and lets go
// of SnmpMutex while it waits, so that a silent agent holds up no other
// request of the program. The target's stop flag ends it within 100 ms.
ProbeResult SnmpProbe(const SnmpTarget& target);

}  // namespace tesmo

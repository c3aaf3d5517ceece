// The SNMP request layer over net-snmp's single-session API.
#include "core/snmp/snmp_request.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <sys/select.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <system_error>

#include "core/base/status_channel.h"
#include "core/snmp/oid_text.h"
#include "core/snmp/snmp_mutex.h"
#include "core/snmp/snmp_session.h"
#include "core/snmp/value_text.h"

namespace tesmo {
namespace {

// Takes SnmpMutex; false when the wait fails.
bool Lock(std::unique_lock<std::mutex>& lock) {
  try {
    lock = std::unique_lock<std::mutex>(SnmpMutex);
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

// Opens the target's session; a failure posts its text and gives the result
// code: the agent did not answer its engine discovery (time-out), Stop, or
// anything else. failureText is the caller's own text for a session that
// cannot be opened; an SNMPv3 set-up fault (keys, protocols) names itself
// after the tool instead.
void* Open(const SnmpTarget& target, bool write, const char* tool, const char* failureText,
           int* result) {
  OpenedSession opened = OpenSnmpSession(target, write);
  switch (opened.result) {
    case OpenResult::kOpen:
      *result = kSnmpResponse;
      return opened.session;
    case OpenResult::kStopped:
      *result = kSnmpStopped;
      return nullptr;
    case OpenResult::kTimedOut:
      PostStatus("No SNMP Response from %s", target.address.c_str());
      *result = kSnmpTimeout;
      return nullptr;
    case OpenResult::kFailed:
      break;
  }
  if (opened.error.empty()) {
    PostStatus("%s", failureText);
  } else {
    PostStatus("%s: %s", tool, opened.error.c_str());
  }
  *result = kSnmpFailure;
  return nullptr;
}

// A returned variable seen as the formatter's value record. The buffers keep
// the name and an OBJECT IDENTIFIER value as 32-bit sub-identifiers.
struct VariableView {
  uint32_t name[MAX_OID_LEN];
  size_t nameLength = 0;
  uint32_t objectId[MAX_OID_LEN];
  SnmpValue value;

  explicit VariableView(const netsnmp_variable_list& variable) {
    nameLength = std::min<size_t>(variable.name_length, MAX_OID_LEN);
    for (size_t i = 0; i < nameLength; ++i) name[i] = static_cast<uint32_t>(variable.name[i]);
    value.type = variable.type;
    if (variable.val.string != nullptr) {
      value.bytes =
          std::string_view(reinterpret_cast<const char*>(variable.val.string), variable.val_len);
    }
    switch (variable.type) {
      case ASN_INTEGER:
      case ASN_COUNTER:
      case ASN_GAUGE:
      case ASN_TIMETICKS:
      case ASN_UINTEGER:
        if (variable.val.integer != nullptr && variable.val_len >= sizeof(long)) {
          value.integer = *variable.val.integer;
        }
        break;
      case ASN_COUNTER64:
      case ASN_OPAQUE_COUNTER64:
      case ASN_OPAQUE_I64:
      case ASN_OPAQUE_U64:
        if (variable.val.counter64 != nullptr && variable.val_len >= sizeof(counter64)) {
          value.counter64 =
              ((static_cast<uint64_t>(variable.val.counter64->high) & 0xffffffffu) << 32) |
              (static_cast<uint64_t>(variable.val.counter64->low) & 0xffffffffu);
        }
        break;
      case ASN_OPAQUE_FLOAT:
        if (variable.val.floatVal != nullptr && variable.val_len >= sizeof(float)) {
          value.real = *variable.val.floatVal;
        }
        break;
      case ASN_OPAQUE_DOUBLE:
        if (variable.val.doubleVal != nullptr && variable.val_len >= sizeof(double)) {
          value.real = *variable.val.doubleVal;
        }
        break;
      case ASN_OBJECT_ID:
        if (variable.val.objid != nullptr) {
          size_t length = std::min<size_t>(variable.val_len / sizeof(oid), MAX_OID_LEN);
          for (size_t i = 0; i < length; ++i) {
            objectId[i] = static_cast<uint32_t>(variable.val.objid[i]);
          }
          value.objectId = std::span<const uint32_t>(objectId, length);
        }
        break;
      default:
        break;
    }
  }

  std::span<const uint32_t> Name() const { return {name, nameLength}; }
  std::string Text() const { return FormatSnmpValue(Name(), value); }
};

// An SNMPv2 exception in place of a value: the object is not there.
bool IsException(const netsnmp_variable_list& v) {
  return v.type == SNMP_NOSUCHOBJECT || v.type == SNMP_NOSUCHINSTANCE ||
         v.type == SNMP_ENDOFMIBVIEW;
}

// Appends id to pdu with a null value.
void AddNull(netsnmp_pdu* pdu, const ObjectId& id) {
  oid buffer[MAX_OID_LEN];
  size_t length = std::min<size_t>(id.size(), MAX_OID_LEN);
  std::copy_n(id.begin(), length, buffer);
  snmp_add_null_var(pdu, buffer, length);
}

bool StartsWith(std::span<const uint32_t> name, const ObjectId& root) {
  return name.size() >= root.size() && std::equal(root.begin(), root.end(), name.begin());
}

// What the session's callback learned of the request in flight.
struct Pending {
  int reqid = 0;
  enum { kWaiting, kAnswered, kTimedOut, kFailed } state = kWaiting;
  netsnmp_pdu* response = nullptr;
  int reportError = 0;  // an SNMPv3 report's error (wrong digest, unknown user...)
};

int OnAnswer(int operation, netsnmp_session*, int reqid, netsnmp_pdu* pdu, void* magic) {
  auto* pending = static_cast<Pending*>(magic);
  // A report carries no request id of its own; the session has one request
  // in flight, so it answers that one.
  const bool report = operation == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu != nullptr &&
                      pdu->command == SNMP_MSG_REPORT;
  if (pending == nullptr || (reqid != pending->reqid && !report)) return 1;
  if (operation == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu->command == SNMP_MSG_REPORT) {
    // An SNMPv3 agent refused the request. Out of its time window the
    // library sends it again by itself: wait for that answer.
    const int report = snmpv3_get_report_type(pdu);
    if (report != SNMPERR_NOT_IN_TIME_WINDOW) {
      pending->reportError = report;
      pending->state = Pending::kFailed;
    }
  } else if (operation == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE) {
    pending->response = snmp_clone_pdu(pdu);
    pending->state = pending->response != nullptr ? Pending::kAnswered : Pending::kFailed;
  } else if (operation == NETSNMP_CALLBACK_OP_TIMED_OUT) {
    pending->state = Pending::kTimedOut;
  } else {
    pending->state = Pending::kFailed;
  }
  return 1;
}

// How long one wait lasts at most before the stop flag is looked at again.
constexpr long kStopCheckMicroseconds = 100000;

// How an exchange behaves besides sending and waiting.
struct ExchangeMode {
  // Posts nothing: the caller tells the outcome in its own words.
  bool quiet = false;
  // Held SnmpMutex, let go of while waiting on the socket so that other
  // requests of the program go on meanwhile; null keeps it.
  std::unique_lock<std::mutex>* release = nullptr;
};

// Sends pdu (the library frees it) and waits for the answer, in slices of at
// most 100 ms so that the target's stop flag ends the wait within one slice;
// the library retransmits at its own times. A time-out posts "No SNMP
// Response from %s", any other failure "<tool>: An error occurred" (unless
// quiet); on kSnmpResponse *response holds the answer, which the caller frees.
int Exchange(void* session, netsnmp_pdu* pdu, const SnmpTarget& target, const char* tool,
             netsnmp_pdu** response, ExchangeMode mode = {}) {
  *response = nullptr;
  netsnmp_session* settings = snmp_sess_session(session);
  Pending pending;
  settings->callback = OnAnswer;
  settings->callback_magic = &pending;
  pending.reqid = snmp_sess_send(session, pdu);
  if (pending.reqid == 0) {
    // Nothing was sent (an SNMPv3 key that does not fit, a socket error).
    // Under SNMPv3 the library's reason is shown; 1 and 2c keep the plain
    // "An error occurred".
    snmp_free_pdu(pdu);
    pending.state = Pending::kFailed;
    if (target.version == SnmpVersion::kV3) pending.reportError = settings->s_snmp_errno;
  }
  bool stopped = false;
  while (pending.state == Pending::kWaiting) {
    if (target.stop != nullptr && target.stop->load() != 0) {
      stopped = true;
      break;
    }
    int fdCount = 0;
    fd_set readable;
    FD_ZERO(&readable);
    timeval libraryWait{};
    int block = 1;  // in: no wait of ours to merge; out: 1 when no request is pending
    snmp_sess_select_info(session, &fdCount, &readable, &libraryWait, &block);
    if (block) {
      // The library holds no request any more (it dropped it without a
      // word to the callback): waiting longer would be for ever.
      pending.state = Pending::kFailed;
      break;
    }
    timeval wait{0, kStopCheckMicroseconds};
    if (timercmp(&libraryWait, &wait, <)) wait = libraryWait;
    if (mode.release != nullptr) mode.release->unlock();
    const int ready = select(fdCount, &readable, nullptr, nullptr, &wait);
    if (mode.release != nullptr) mode.release->lock();
    if (ready > 0) {
      snmp_sess_read(session, &readable);
    } else if (ready == 0) {
      snmp_sess_timeout(session);  // retransmits, or gives the request up
    } else if (errno != EINTR) {
      pending.state = Pending::kFailed;
    }
  }
  settings->callback = nullptr;
  settings->callback_magic = nullptr;
  if (pending.state == Pending::kAnswered) {
    *response = pending.response;
    return kSnmpResponse;
  }
  if (pending.response != nullptr) snmp_free_pdu(pending.response);
  if (stopped) return kSnmpStopped;
  if (mode.quiet) return pending.state == Pending::kTimedOut ? kSnmpTimeout : kSnmpFailure;
  if (pending.state == Pending::kTimedOut) {
    PostStatus("No SNMP Response from %s", target.address.c_str());
    return kSnmpTimeout;
  }
  if (pending.reportError != 0) {
    PostStatus("%s: %s", tool, snmp_api_errstring(pending.reportError));
  } else {
    PostStatus("%s: An error occurred", tool);
  }
  return kSnmpFailure;
}

// Rows one GETBULK asks for. More rows per answer save round trips; the
// agent sends fewer when they would not fit its answer.
std::atomic<long> bulkRepetitions{kDefaultBulkRepetitions};

// Drops the rows of a GETBULK answer not served yet. The caller holds SnmpMutex.
void FreeBulk(SnmpWalkState& state) {
  if (state.bulk != nullptr) snmp_free_pdu(static_cast<netsnmp_pdu*>(state.bulk));
  state.bulk = nullptr;
  state.bulkRow = state.bulkRows = 0;
  state.bulkColumns.clear();
  state.bulkNext.clear();
}

}  // namespace

void SetBulkRepetitions(long rows) {
  bulkRepetitions.store(std::clamp(rows, 1L, 1000L));
}

void SnmpWalkState::Release() {
  if (session != nullptr || bulk != nullptr) {
    std::lock_guard lock(SnmpMutex);
    FreeBulk(*this);
    if (session != nullptr) snmp_sess_close(session);
    session = nullptr;
  }
  stepCount = 0;
  roots.clear();
  next.clear();
  returned.clear();
  sentColumns.clear();
  errorIndex = 0;
}

int SnmpGet(std::span<SnmpVarRequest> requests, int& status, const SnmpTarget& target,
            int* errorIndex) {
  status = 0;
  if (errorIndex != nullptr) *errorIndex = 0;
  std::unique_lock<std::mutex> lock;
  if (!Lock(lock)) return kSnmpFailure;

  int opened = kSnmpFailure;
  void* session = Open(target, false, "snmpget", "snmpget: Couldn't open snmp", &opened);
  if (session == nullptr) return opened;
  netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
  int invalid = 0;
  for (const SnmpVarRequest& request : requests) {
    ObjectId id;
    if (ParseObjectId(request.objectId, id)) {
      AddNull(pdu, id);
    } else {
      PostStatus("Invalid object identifier: %s", request.objectId.c_str());
      ++invalid;
    }
  }
  int result = kSnmpResponse;
  if (invalid > 0) {
    PostStatus("snmpget: invalids oid founds");
    snmp_free_pdu(pdu);
    result = kSnmpFailure;
  } else {
    netsnmp_pdu* response = nullptr;
    result = Exchange(session, pdu, target, "snmpget", &response);
    if (result == kSnmpResponse) {
      status = static_cast<int>(response->errstat);
      if (errorIndex != nullptr) *errorIndex = static_cast<int>(response->errindex);
      // An SNMPv2 agent answers an object it lacks with an exception value
      // where SNMPv1 fails the GET with noSuchName and the object's index:
      // every caller sees the SNMPv1 answer, whatever the version.
      int position = 1;
      for (netsnmp_variable_list* v = response->variables; v != nullptr && status == kSnmpNoError;
           v = v->next_variable, ++position) {
        if (!IsException(*v)) continue;
        status = kSnmpNoSuchName;
        if (errorIndex != nullptr) *errorIndex = position;
      }
      if (status != kSnmpNoError) {
        PostStatus("Error in packet: %s", SnmpErrorStatusText(status));
      } else {
        // Objects beyond the request count are ignored.
        size_t k = 0;
        for (netsnmp_variable_list* v = response->variables; v != nullptr && k < requests.size();
             v = v->next_variable, ++k) {
          VariableView view(*v);
          requests[k].result = view.Text();
          requests[k].valueType = v->type;
        }
        // An answer without error that leaves objects out answers nothing
        // about them: it is no success.
        if (k < requests.size()) {
          status = kSnmpShortAnswer;
          PostStatus("Error in packet: the answer holds %zu of %zu values", k, requests.size());
        }
      }
    }
    if (response != nullptr) snmp_free_pdu(response);
  }
  snmp_sess_close(session);
  return result;
}

int SnmpGetNext(std::span<SnmpVarRequest> requests, SnmpWalkState& state, int& status,
                const SnmpTarget& target) {
  status = 0;
  std::unique_lock<std::mutex> lock;
  if (!Lock(lock)) return kSnmpFailure;

  if (state.stepCount == 0) {
    FreeBulk(state);
    int opened = kSnmpFailure;
    state.session =
        Open(target, false, "snmpgetnext", "snmpget: Couldn't open snmp session", &opened);
    if (state.session == nullptr) return opened;
    state.roots.clear();
    state.next.clear();
    state.returned.clear();
    state.sentColumns.clear();
    state.errorIndex = 0;
  }
  if (state.session == nullptr) {
    PostStatus("snmpget: Couldn't open snmp session");
    return kSnmpFailure;
  }

  const size_t count = requests.size();
  int invalid = 0;
  if (state.stepCount == 0) {
    state.roots.assign(count, ObjectId{});
    for (size_t k = 0; k < count; ++k) {
      if (!ParseObjectId(requests[k].objectId, state.roots[k])) {
        PostStatus("Invalid object identifier: %s", requests[k].objectId.c_str());
        ++invalid;
      }
    }
    state.next = state.roots;
    state.returned.assign(count, ObjectId{});
  }
  ++state.stepCount;
  if (invalid > 0) {
    PostStatus("snmpgetnext: invalids oid founds");
    return kSnmpFailure;
  }

  // The columns asked for in this step, in request order.
  const size_t columns = std::min(count, state.roots.size());
  state.next.resize(columns);
  state.returned.assign(columns, ObjectId{});
  state.sentColumns.clear();
  for (size_t k = 0; k < columns; ++k) {
    if (!state.next[k].empty()) state.sentColumns.push_back(static_cast<int>(k));
  }
  if (state.sentColumns.empty() || state.sentColumns[0] != 0) {
    // Nothing left to ask, or the first column was dropped: the walk is over.
    status = EndOfSubtree;
    return kSnmpResponse;
  }

  // The objects that answer this step, one per column asked.
  std::vector<netsnmp_variable_list*> row;
  netsnmp_pdu* response = nullptr;  // owned here (SNMPv1) or by the state (a GETBULK answer)
  // Answers that filled in a row the agent cut short; freed at the end.
  std::vector<std::unique_ptr<netsnmp_pdu, void (*)(netsnmp_pdu*)>> fills;
  if (target.version == SnmpVersion::kV1) {
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GETNEXT);
    for (int k : state.sentColumns) AddNull(pdu, state.next[k]);
    const int sent = Exchange(state.session, pdu, target, "snmpgetnext", &response);
    if (sent != kSnmpResponse) return sent;
    status = static_cast<int>(response->errstat);
    state.errorIndex = response->errindex;
    for (netsnmp_variable_list* v = response->variables; v != nullptr; v = v->next_variable) {
      row.push_back(v);
    }
  } else {
    // SNMPv2c and v3: one GETBULK answers the steps of several rows. Its
    // rows serve the following steps as long as those ask exactly what the
    // rows follow from; a step that asks anything else (a column repeating
    // its request at a hole, or dropped) gets a GETBULK of its own.
    const size_t width = state.sentColumns.size();
    auto* bulk = static_cast<netsnmp_pdu*>(state.bulk);
    if (bulk == nullptr || state.bulkColumns != state.sentColumns || state.bulkNext != state.next ||
        state.bulkRow >= state.bulkRows) {
      FreeBulk(state);
      netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GETBULK);
      pdu->non_repeaters = 0;
      pdu->max_repetitions = bulkRepetitions.load();
      for (int k : state.sentColumns) AddNull(pdu, state.next[k]);
      const int sent = Exchange(state.session, pdu, target, "snmpgetnext", &bulk);
      if (sent != kSnmpResponse) return sent;
      status = static_cast<int>(bulk->errstat);
      state.errorIndex = bulk->errindex;
      size_t objects = 0;
      for (netsnmp_variable_list* v = bulk->variables; v != nullptr; v = v->next_variable) {
        ++objects;
      }
      if (status != kSnmpNoError) {
        response = bulk;  // freed below like an SNMPv1 answer
      } else if (objects == 0) {
        // An answer without error that holds nothing answers nothing: it is
        // no end of the table.
        snmp_free_pdu(bulk);
        status = kSnmpShortAnswer;
        PostStatus("Error in packet: the answer holds 0 of %zu values", width);
        return kSnmpResponse;
      } else {
        state.bulk = bulk;
        state.bulkRow = 0;
        // The last row may be cut short (RFC 3416 4.2.3): it is served too,
        // and filled in below.
        state.bulkRows = (objects + width - 1) / width;
        state.bulkColumns = state.sentColumns;
      }
    }
    if (response == nullptr) {
      bulk = static_cast<netsnmp_pdu*>(state.bulk);
      netsnmp_variable_list* v = bulk->variables;
      for (size_t i = 0; v != nullptr && i < state.bulkRow * width; ++i) v = v->next_variable;
      for (size_t j = 0; v != nullptr && j < width; ++j, v = v->next_variable) row.push_back(v);
      ++state.bulkRow;
      // An agent that cut its answer short left out the row's last columns:
      // they are asked again from where they stood, until each has its
      // object or the agent answers nothing at all.
      while (row.size() < width) {
        netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GETNEXT);
        for (size_t j = row.size(); j < width; ++j) {
          AddNull(pdu, state.next[static_cast<size_t>(state.sentColumns[j])]);
        }
        netsnmp_pdu* fill = nullptr;
        const int sent = Exchange(state.session, pdu, target, "snmpgetnext", &fill);
        if (sent != kSnmpResponse) return sent;
        fills.emplace_back(fill, snmp_free_pdu);
        if (fill->errstat != kSnmpNoError) {
          status = static_cast<int>(fill->errstat);
          state.errorIndex = fill->errindex + static_cast<long>(row.size());
          FreeBulk(state);
          break;
        }
        const size_t before = row.size();
        for (netsnmp_variable_list* f = fill->variables; f != nullptr && row.size() < width;
             f = f->next_variable) {
          row.push_back(f);
        }
        if (row.size() == before) {
          status = kSnmpShortAnswer;
          PostStatus("Error in packet: the answer holds 0 of %zu values", width - before);
          FreeBulk(state);
          return kSnmpResponse;
        }
      }
    }
  }

  if (status == kSnmpNoSuchName) {
    PostStatus("End of MIB");
  } else if (status != kSnmpNoError) {
    PostStatus("Error in packet");
  } else {
    for (size_t k = 0; k < columns; ++k) {
      if (k < requests.size()) requests[k].result = kNotAvailableText;
    }
    bool firstInside = false;
    const ObjectId* notIncreasing = nullptr;
    for (size_t j = 0; j < row.size() && j < state.sentColumns.size(); ++j) {
      const int k = state.sentColumns[j];
      if (IsException(*row[j])) {
        // The column has run out (endOfMibView), or a broken agent answered
        // a GETNEXT as it would a GET: that column ends, and the table with
        // it when it is the first.
        requests[k].valueType = row[j]->type;
        continue;
      }
      VariableView view(*row[j]);
      std::span<const uint32_t> name = view.Name();
      state.returned[k].assign(name.begin(), name.end());
      const ObjectId& asked = state.next[k];
      if (notIncreasing == nullptr &&
          !std::lexicographical_compare(asked.begin(), asked.end(), name.begin(), name.end())) {
        notIncreasing = &state.returned[k];
      }
      const ObjectId& root = state.roots[k];
      bool inside = StartsWith(name, root);
      if (k == 0) firstInside = inside && name.size() > root.size();
      requests[k].result = inside ? view.Text() : std::string(kNotAvailableText);
      requests[k].valueType = row[j]->type;
    }
    if (notIncreasing != nullptr) {
      PostStatus("Error: OID not increasing: %s", FormatObjectId(*notIncreasing).c_str());
      status = kSnmpNotIncreasing;
    } else if (!firstInside) {
      status = EndOfSubtree;
    }
    // The next step follows the names returned; a column the response left
    // out repeats its request.
    for (int k : state.sentColumns) {
      if (!state.returned[k].empty()) state.next[k] = state.returned[k];
    }
    state.bulkNext = state.next;
  }
  if (response != nullptr) snmp_free_pdu(response);
  return kSnmpResponse;
}

int SnmpSet(const std::string& objectId, const std::string& valueText, char typeLetter, int& status,
            const SnmpTarget& target) {
  status = 0;
  std::unique_lock<std::mutex> lock;
  if (!Lock(lock)) return kSnmpFailure;

  int opened = kSnmpFailure;
  void* session = Open(target, true, "snmpset", "snmpget: Couldn't open snmp", &opened);
  if (session == nullptr) return opened;
  int result = kSnmpResponse;
  ObjectId id;
  if (!ParseObjectId(objectId, id)) {
    PostStatus("Invalid object identifier: %s", objectId.c_str());
    PostStatus("snmpset: invalids oid founds");
    result = kSnmpFailure;
  } else {
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_SET);
    oid buffer[MAX_OID_LEN];
    std::copy(id.begin(), id.end(), buffer);
    int added = snmp_add_var(pdu, buffer, id.size(), typeLetter, valueText.c_str());
    if (added != 0) {
      // The library refused the value for this type: nothing is sent.
      PostStatus("snmpset: %s", snmp_api_errstring(added));
      snmp_free_pdu(pdu);
      result = kSnmpFailure;
    } else {
      netsnmp_pdu* response = nullptr;
      result = Exchange(session, pdu, target, "snmpset", &response);
      if (result == kSnmpResponse) {
        status = static_cast<int>(response->errstat);
        if (status != kSnmpNoError) {
          PostStatus("Error in packet: %s", SnmpErrorStatusText(response->errstat));
        }
      }
      if (response != nullptr) snmp_free_pdu(response);
    }
  }
  snmp_sess_close(session);
  return result;
}

int SnmpGetQuiet(std::span<SnmpVarRequest> requests, int& status, const SnmpTarget& target) {
  status = 0;
  std::unique_lock<std::mutex> lock;
  if (!Lock(lock)) return kSnmpFailure;
  OpenedSession opened = OpenSnmpSession(target, false);
  if (opened.result == OpenResult::kStopped) return kSnmpStopped;
  if (opened.session == nullptr) {
    return opened.result == OpenResult::kTimedOut ? kSnmpTimeout : kSnmpFailure;
  }
  netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
  for (const SnmpVarRequest& request : requests) {
    ObjectId id;
    if (!ParseObjectId(request.objectId, id)) {
      snmp_free_pdu(pdu);
      snmp_sess_close(opened.session);
      return kSnmpFailure;
    }
    AddNull(pdu, id);
  }
  netsnmp_pdu* response = nullptr;
  const int result = Exchange(opened.session, pdu, target, "snmpget", &response, {true, &lock});
  if (result == kSnmpResponse) {
    status = static_cast<int>(response->errstat);
    size_t k = 0;
    for (netsnmp_variable_list* v = response->variables;
         status == kSnmpNoError && v != nullptr && k < requests.size(); v = v->next_variable, ++k) {
      requests[k].result = IsException(*v) ? std::string() : VariableView(*v).Text();
      requests[k].valueType = v->type;
    }
    if (status == kSnmpNoError && k < requests.size()) status = kSnmpShortAnswer;
  }
  if (response != nullptr) snmp_free_pdu(response);
  snmp_sess_close(opened.session);
  return result;
}

ProbeResult SnmpProbe(const SnmpTarget& target) {
  std::unique_lock<std::mutex> lock;
  if (!Lock(lock)) return ProbeResult::NoAnswer;
  OpenedSession opened = OpenSnmpSession(target, false);
  if (opened.result == OpenResult::kStopped) return ProbeResult::Stopped;
  if (opened.session == nullptr) return ProbeResult::NoAnswer;
  netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GETNEXT);
  AddNull(pdu, ObjectId{1, 3, 6});
  netsnmp_pdu* response = nullptr;
  const int result = Exchange(opened.session, pdu, target, "snmpgetnext", &response, {true, &lock});
  if (response != nullptr) snmp_free_pdu(response);
  snmp_sess_close(opened.session);
  if (result == kSnmpStopped) return ProbeResult::Stopped;
  return result == kSnmpResponse ? ProbeResult::Answered : ProbeResult::NoAnswer;
}

}  // namespace tesmo

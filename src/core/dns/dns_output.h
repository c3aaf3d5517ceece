// Where the DNS engine prints: the output sink whose lines the NSLookup
// result list shows (a CLineStore, core/lines/line_store.h), and the log for
// the engine's diagnostic texts (standard output and standard error, which
// start-up redirects to the log file).
//
// The sink collects complete lines. Every text it is given has its tabs and
// carriage returns turned into blanks and is cut at its line feeds: the piece
// before a line feed finishes the pending line, which then becomes the last
// line of the list; a piece without a line feed stays pending until a later
// line feed, across queries if need be.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/lines/line_store.h"

namespace tesmo {

// A record as a machine-readable report gives it: the owner, the type and
// class mnemonics, the time to live (empty when the answer did not carry
// it) and the data on one line as a zone listing shows it.
struct DnsRecordFields {
  std::string name, type, dnsClass, ttl, data;
};

class CDnsOutput {
 public:
  // Takes at most cap lines: past them the lines are dropped and Full()
  // tells the engine to stop.
  explicit CDnsOutput(size_t cap = CLineStore::kDefaultCap) : store(cap) {}

  // printf-style; the text may be of any length.
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void PrintV(const char* format, va_list args) __attribute__((format(printf, 2, 0)));
  // The text as it is (no formatting).
  void Write(std::string_view text);

  // Empties the list and starts a new epoch; the pending line stays.
  void Clear() { store.Clear(); }
  bool Full() const { return store.Full(); }
  // One line past the cap: why the output ended.
  void WriteLast(const std::string& line) { store.AppendLast(line); }

  // The complete lines, for a view to follow.
  CLineStore& Store() { return store; }
  // Copies for readers that do not follow the list (tests, --batch, Copy).
  std::vector<std::string> Lines() const { return store.Lines(); }
  size_t LineCount() const { return store.Count(); }
  std::string PendingLine() const;

  // Where the records printed go as fields too (the engine's thread calls
  // it); none by default.
  void SetRecordSink(std::function<void(const DnsRecordFields&)> sink) {
    recordSink = std::move(sink);
  }
  bool WantsRecords() const { return static_cast<bool>(recordSink); }
  void Record(const DnsRecordFields& fields) const {
    if (recordSink) recordSink(fields);
  }

 private:
  std::function<void(const DnsRecordFields&)> recordSink;
  CLineStore store;
  mutable std::mutex mutex;  // the pending line
  std::string pending;
};

// The engine's diagnostic texts. Without a writer they go to standard output
// (Out) and standard error (Err), as the page's texts for the log file do.
class CDnsLog {
 public:
  enum Stream { kOut, kErr };
  using Writer = std::function<void(Stream stream, std::string_view text)>;

  void SetWriter(Writer writer) { this->writer = std::move(writer); }
  void Out(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void Err(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // A socket error report: the text, ": " and the system's error text.
  void ErrNo(const char* what, int error);

 private:
  void Emit(Stream stream, const char* format, va_list args) __attribute__((format(printf, 3, 0)));
  Writer writer;
};

}  // namespace tesmo

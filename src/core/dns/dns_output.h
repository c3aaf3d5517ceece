// Where the DNS engine prints: the output sink that feeds the NSLookup result
// list, and the log for the engine's diagnostic texts (standard output and
// standard error, which start-up redirects to the log file).
//
// The sink collects complete lines. Every text it is given has its tabs and
// carriage returns turned into blanks and is cut at its line feeds: the piece
// before a line feed finishes the pending line, which then becomes the last
// line of the list; a piece without a line feed stays pending until a later
// line feed, across queries if need be.
//
// The query thread writes, the page's list model reads. A list model follows
// the lines like this:
//   - SetNotify(f): f is called on the writing thread when lines arrive after
//     the consumer's last Fetch (or after a Clear), and then not again until
//     the next Fetch. f should only post a queued call to the model.
//   - In that queued call (best delayed until some 40 ms have passed since
//     its last batch, as the Reachability list does) the model calls
//     Fetch(epoch, shown) with the epoch and line count it shows. Fetch hands
//     back, in one piece, every line the model lacks (or all lines with reset
//     set when the list was cleared since) and re-arms the notification; the
//     model inserts them with one beginInsertRows/endInsertRows.
// So a zone of 100,000 records reaches the view as a few large inserts (about
// a dozen for a listing of half a second), never as 100,000 updates.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tesmo {

class CDnsOutput {
 public:
  // printf-style; the text may be of any length.
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void PrintV(const char* format, va_list args) __attribute__((format(printf, 2, 0)));
  // The text as it is (no formatting).
  void Write(std::string_view text);

  // Empties the list and starts a new epoch; the pending line stays.
  void Clear();

  // Copies for readers that do not follow the list (tests, --batch, Copy).
  std::vector<std::string> Lines() const;
  size_t LineCount() const;
  std::string PendingLine() const;

  struct Update {
    uint64_t epoch = 0;              // what the model shows after applying the update
    bool reset = false;              // the list was cleared: lines replace all shown lines
    std::vector<std::string> lines;  // to append (or to show, when reset)
  };
  // Lines the consumer lacks, given the epoch and line count it shows.
  // Re-arms the notification.
  Update Fetch(uint64_t epoch, size_t shown);
  uint64_t Epoch() const;

  // Called (on the writing thread, without the sink's lock held) once per
  // batch of new lines: see the comment at the top of the file.
  void SetNotify(std::function<void()> notify);

 private:
  void AppendLocked(std::string_view text, bool& added);
  void NotifyIf(bool added);

  mutable std::mutex mutex;
  std::vector<std::string> lines;
  std::string pending;
  uint64_t epoch = 1;
  // A notification went out and its Fetch has not come yet.
  bool notifyPending = false;
  std::function<void()> notify;
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

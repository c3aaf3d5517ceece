// The chart's data: its entries (one series each), the samples the polling
// thread stores, the window of samples the chart shows, and the view
// settings of the Graph page.
//
// One mutex guards everything, and it is only ever held for a copy or an
// update: the polling thread takes its samples (echoes, SNMP requests)
// without it and stores them under it afterwards, so a redraw, a scroll or an
// entry added on the user-interface thread never waits for the network.
//
// Entries come and go while a poll is on its way. Adding an entry, Clear and
// Init drop every sample and "unprime" the chart: a poll that began before
// stores nothing, and the next poll only primes (it reads the counters that
// the following poll turns into rates). Deleting an entry keeps the samples of
// the others.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/graph/graph_rate.h"

namespace tesmo {

// Kinds of entries; any kind but 'P' is an SNMP object.
constexpr char kGraphRoundTrip = 'P';
constexpr char kGraphSnmp = 'S';

// The most points the chart shows (the spin box's range).
constexpr int kMaxGraphPoints = 10000000;

// The page's settings in memory.
struct GraphView {
  double refreshSeconds = 5;  // polling period; 0 polls every 5 s
  int points = 100;           // "Nb pts": samples shown, 0..kMaxGraphPoints
  bool legend = true;
  bool threeD = false;
  bool xLabels = true;
};

struct GraphEntryInfo {
  GraphEntryInfo() = default;
  GraphEntryInfo(char entryKind, std::string entryTarget, std::string entryLabel,
                 std::string entryAgent = {})
      : kind(entryKind),
        target(std::move(entryTarget)),
        label(std::move(entryLabel)),
        agent(std::move(entryAgent)) {}

  char kind = kGraphSnmp;
  std::string target;  // address (or host name) to ping, or object identifier to get
  std::string label;
  // SNMP entries: the host (name or address) whose agent is asked, with the
  // job's access parameters; empty: the job's target, whatever it is then.
  std::string agent;
};

// What the chart tells of an entry besides its values.
struct GraphEntryShown {
  GraphEntryInfo info;
  // SNMP entries: the agent asked, its own one as given or else the address
  // the last reading of the job's target asked; empty before any.
  std::string agent;
  bool rate = false;  // its last reading was a counter: the values are per second
};

// "HOST/OBJECT" names an SNMP entry's agent and object, "OBJECT" alone an
// object of the job's target; a round-trip entry's target is its host. The
// label is the object (the host for round trips). Nothing when the host or
// the object is empty.
std::optional<GraphEntryInfo> GraphEntryOf(char kind, const QString& target);

// The entry as the legend and the saved samples name it: the label, and for
// an SNMP entry " @ " and its agent (currentTarget when no reading named
// one yet): "ifInOctets.2 @ 10.0.0.1". Round-trip labels name their host.
QString GraphLegendText(const GraphEntryShown& entry, const QString& currentTarget = {});

// Scroll bar requests.
enum class GraphScroll { LineLeft, LineRight, PageLeft, PageRight, Thumb, LeftEnd, RightEnd };

// What the chart shows: a consistent copy of the window.
struct GraphWindow {
  int sampleCount = 0;
  int viewStart = 0;
  int viewEnd = 0;
  std::vector<int64_t> times;  // seconds since the epoch, one per shown sample
  std::vector<GraphEntryShown> entries;
  std::vector<std::vector<double>> values;  // per entry, the shown samples (gaps kGraphGap)
};

// The samples from a given one on, for --batch.
struct GraphSamples {
  size_t first = 0;  // index of times[0] among all samples
  std::vector<int64_t> times;
  std::vector<GraphEntryShown> entries;
  std::vector<std::vector<double>> values;  // gaps are kGraphGap
  // Per entry, readings that were answered and readings that were not
  // (priming included).
  std::vector<int> answered;
  std::vector<int> lost;
};

// One poll as the polling thread sees it: what it samples, taken under the
// lock at its start.
struct GraphPoll {
  struct Item {
    uint64_t id;
    GraphEntryInfo info;
  };
  std::vector<Item> items;
  bool primed = false;
  uint64_t clearGeneration = 0;
};

class CGraphData : public QObject {
  Q_OBJECT
 public:
  explicit CGraphData(QObject* parent = nullptr);

  // Drops every sample, then appends the entry. Returns its index.
  int AddEntry(const GraphEntryInfo& entry);
  // Removes entry index (samples of the others stay); false when there is none.
  bool DeleteEntry(int index);
  // Drops every sample; the entries stay.
  void Clear();
  // Clear and drop every entry.
  void RemoveAll();
  std::vector<GraphEntryInfo> Entries() const;
  int EntryCount() const;

  GraphView View() const;
  // Takes new view settings. A changed point count applies the rule of the
  // "Nb pts" field: the window keeps its end and starts that many samples
  // before it (at 0 at the earliest).
  void SetView(const GraphView& view);

  // The scroll bar: moves the window's start (thumb: to position), clamps it
  // to the samples and lets the window hold up to "Nb pts" samples from there.
  void Scroll(GraphScroll request, int position = 0);

  GraphWindow Window() const;
  // The samples from index first on (all by default).
  GraphSamples Samples(size_t first = 0) const;
  // The next poll only primes.
  void Unprime();
  bool Primed() const;

  // The polling thread: what to sample, then the samples it took. Samples of
  // entries deleted meanwhile are dropped; when samples were cleared
  // meanwhile (an entry added, Clear, Init) nothing is stored. A poll that
  // began unprimed primes the chart and stores nothing. Returns true when a
  // sample point was stored.
  GraphPoll BeginPoll() const;
  bool EndPoll(const GraphPoll& poll, const std::vector<RawSample>& samples, int64_t stamp,
               double periodSeconds);

 signals:
  // Emitted on the changing thread; connect queued for widgets.
  void EntriesChanged();
  void ViewChanged();
  // Samples or the window changed.
  void SamplesChanged();

 private:
  struct Entry {
    uint64_t id = 0;
    GraphEntryInfo info;
    std::vector<double> values;  // one per stored sample
    CounterState counter;
    int answered = 0;
    int lost = 0;
    std::string polledAgent;  // the address the last SNMP reading asked
    bool rate = false;        // the last answered reading was a counter
  };
  GraphEntryShown ShownLocked(const Entry& entry) const;
  void ClearLocked();
  void FitWindowLocked();

  mutable std::mutex mutex;
  std::vector<Entry> entries;
  std::vector<int64_t> times;
  int sampleCount = 0;
  int viewStart = 0;
  int viewEnd = 0;
  bool primed = false;
  uint64_t clearGeneration = 0;
  uint64_t nextId = 1;
  GraphView view;
};

// The chart of the window (the Graph page's); --batch makes its own.
CGraphData& GraphData();

// Adds an entry to the window's chart: kind 'P' pings target, any other kind
// gets the SNMP object target from agent (a host; empty: the target of the
// polling job); label names the series.
void AddGraphEntry(char kind, const QString& target, const QString& label,
                   const QString& agent = {});

// A label as the legend and the entry list show it: at most most characters,
// a longer one cut to its last parts after "…" (an OID's last labels), so
// that what the chart lays out does not grow with what was typed.
QString ElidedLabel(const QString& label, qsizetype most = 48);

}  // namespace tesmo

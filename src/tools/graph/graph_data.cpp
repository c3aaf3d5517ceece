// The chart's entries, samples and window.
#include "tools/graph/graph_data.h"

#include <algorithm>

namespace tesmo {

CGraphData::CGraphData(QObject* parent) : QObject(parent) {}

int CGraphData::AddEntry(const GraphEntryInfo& info) {
  int index = 0;
  {
    std::lock_guard lock(mutex);
    ClearLocked();
    Entry entry;
    entry.id = nextId++;
    entry.info = info;
    entries.push_back(std::move(entry));
    index = static_cast<int>(entries.size()) - 1;
  }
  emit EntriesChanged();
  emit SamplesChanged();
  return index;
}

bool CGraphData::DeleteEntry(int index) {
  {
    std::lock_guard lock(mutex);
    if (index < 0 || static_cast<size_t>(index) >= entries.size()) return false;
    entries.erase(entries.begin() + index);
  }
  emit EntriesChanged();
  emit SamplesChanged();
  return true;
}

void CGraphData::Clear() {
  {
    std::lock_guard lock(mutex);
    ClearLocked();
  }
  emit SamplesChanged();
}

void CGraphData::RemoveAll() {
  {
    std::lock_guard lock(mutex);
    ClearLocked();
    entries.clear();
  }
  emit EntriesChanged();
  emit SamplesChanged();
}

void CGraphData::ClearLocked() {
  primed = false;
  ++clearGeneration;
  times.clear();
  for (Entry& entry : entries) entry.values.clear();
  sampleCount = 0;
  viewStart = 0;
  viewEnd = 0;
}

std::vector<GraphEntryInfo> CGraphData::Entries() const {
  std::lock_guard lock(mutex);
  std::vector<GraphEntryInfo> result;
  result.reserve(entries.size());
  for (const Entry& entry : entries) result.push_back(entry.info);
  return result;
}

int CGraphData::EntryCount() const {
  std::lock_guard lock(mutex);
  return static_cast<int>(entries.size());
}

GraphView CGraphData::View() const {
  std::lock_guard lock(mutex);
  return view;
}

void CGraphData::SetView(const GraphView& next) {
  bool samplesMoved = false;
  {
    std::lock_guard lock(mutex);
    const int points = std::clamp(next.points, 0, kMaxGraphPoints);
    if (points != view.points) {
      viewStart = std::max(viewEnd - points, 0);
      samplesMoved = true;
    }
    view = next;
    view.points = points;
  }
  emit ViewChanged();
  if (samplesMoved) emit SamplesChanged();
}

void CGraphData::Scroll(GraphScroll request, int position) {
  {
    std::lock_guard lock(mutex);
    int64_t start = viewStart;
    switch (request) {
      case GraphScroll::LineLeft:
        start -= 1;
        break;
      case GraphScroll::LineRight:
        start += 1;
        break;
      case GraphScroll::PageLeft:
        start -= view.points;
        break;
      case GraphScroll::PageRight:
        start += view.points;
        break;
      case GraphScroll::Thumb:
        start = position;
        break;
      case GraphScroll::LeftEnd:
        start = 0;
        break;
      case GraphScroll::RightEnd:
        start = sampleCount - 1;
        break;
    }
    if (request != GraphScroll::RightEnd) start = std::min<int64_t>(start, sampleCount - 1);
    start = std::max<int64_t>(start, 0);
    viewStart = static_cast<int>(start);
    viewEnd = static_cast<int>(std::min<int64_t>(start + view.points, sampleCount));
  }
  emit SamplesChanged();
}

GraphEntryShown CGraphData::ShownLocked(const Entry& entry) const {
  GraphEntryShown shown;
  shown.info = entry.info;
  if (entry.info.kind != kGraphRoundTrip) {
    shown.agent = entry.info.agent.empty() ? entry.polledAgent : entry.info.agent;
  }
  shown.rate = entry.rate;
  return shown;
}

GraphWindow CGraphData::Window() const {
  std::lock_guard lock(mutex);
  GraphWindow window;
  window.sampleCount = sampleCount;
  window.viewStart = viewStart;
  window.viewEnd = viewEnd;
  const auto first = static_cast<size_t>(std::clamp(viewStart, 0, sampleCount));
  const auto last = static_cast<size_t>(std::clamp(viewEnd, 0, sampleCount));
  if (first < last) window.times.assign(times.begin() + first, times.begin() + last);
  for (const Entry& entry : entries) {
    window.entries.push_back(ShownLocked(entry));
    std::vector<double> shown;
    if (first < last && last <= entry.values.size()) {
      shown.assign(entry.values.begin() + first, entry.values.begin() + last);
    } else {
      shown.assign(last > first ? last - first : 0, kGraphGap);
    }
    window.values.push_back(std::move(shown));
  }
  return window;
}

GraphSamples CGraphData::Samples(size_t first) const {
  std::lock_guard lock(mutex);
  GraphSamples samples;
  samples.first = std::min(first, times.size());
  samples.times.assign(times.begin() + static_cast<ptrdiff_t>(samples.first), times.end());
  for (const Entry& entry : entries) {
    samples.entries.push_back(ShownLocked(entry));
    const size_t from = std::min(samples.first, entry.values.size());
    samples.values.emplace_back(entry.values.begin() + static_cast<ptrdiff_t>(from),
                                entry.values.end());
    samples.answered.push_back(entry.answered);
    samples.lost.push_back(entry.lost);
  }
  return samples;
}

void CGraphData::Unprime() {
  std::lock_guard lock(mutex);
  primed = false;
}

bool CGraphData::Primed() const {
  std::lock_guard lock(mutex);
  return primed;
}

GraphPoll CGraphData::BeginPoll() const {
  std::lock_guard lock(mutex);
  GraphPoll poll;
  poll.primed = primed;
  poll.clearGeneration = clearGeneration;
  for (const Entry& entry : entries) poll.items.push_back({entry.id, entry.info});
  return poll;
}

bool CGraphData::EndPoll(const GraphPoll& poll, const std::vector<RawSample>& samples,
                         int64_t stamp, double periodSeconds) {
  {
    std::lock_guard lock(mutex);
    // Readings of entries still there update their counters whatever
    // happens to the sample point: they are the newest the entry has.
    std::vector<std::pair<Entry*, double>> plotted;
    for (size_t i = 0; i < poll.items.size() && i < samples.size(); ++i) {
      auto found = std::find_if(entries.begin(), entries.end(),
                                [&](const Entry& e) { return e.id == poll.items[i].id; });
      if (found == entries.end()) continue;
      const RawSample& sample = samples[i];
      if (sample.ok) {
        ++found->answered;
        found->rate = sample.counter32 || sample.counter64;
      } else {
        ++found->lost;
      }
      if (!sample.agent.empty()) found->polledAgent = sample.agent;
      plotted.emplace_back(&*found, PlotValue(found->counter, sample, periodSeconds));
    }
    if (poll.clearGeneration != clearGeneration) return false;
    if (!poll.primed || !primed) {
      primed = true;
      return false;
    }
    for (Entry& entry : entries) {
      entry.values.resize(static_cast<size_t>(sampleCount), kGraphGap);
      entry.values.push_back(kGraphGap);
    }
    for (const auto& [entry, value] : plotted) entry->values.back() = value;
    times.resize(static_cast<size_t>(sampleCount));
    times.push_back(stamp);
    if (viewEnd == sampleCount) {
      // The window shows the newest sample: it follows, holding at most
      // "Nb pts" samples.
      const int oldEnd = viewEnd;
      viewEnd += 1;
      if (oldEnd - viewStart + 1 >= view.points) viewStart = oldEnd - view.points + 1;
    }
    ++sampleCount;
  }
  emit SamplesChanged();
  return true;
}

QString ElidedLabel(const QString& label, qsizetype most) {
  if (label.size() <= most) return label;
  // The tail that fits beside the ellipsis, from a dot if one is in it.
  QString tail = label.right(most - 1);
  const qsizetype dot = tail.indexOf(QLatin1Char('.'));
  if (dot >= 0 && dot + 1 < tail.size()) tail = tail.mid(dot + 1);
  return QChar(0x2026) + tail;
}

CGraphData& GraphData() {
  static CGraphData data;
  return data;
}

void AddGraphEntry(char kind, const QString& target, const QString& label, const QString& agent) {
  GraphEntryInfo entry(kind, target.toStdString(), label.toStdString());
  if (kind != kGraphRoundTrip) entry.agent = agent.trimmed().toStdString();
  GraphData().AddEntry(entry);
}

std::optional<GraphEntryInfo> GraphEntryOf(char kind, const QString& target) {
  GraphEntryInfo entry;
  entry.kind = kind;
  QString object = target;
  if (kind != kGraphRoundTrip) {
    // Object identifiers and host names hold no slash: the first one ends
    // the host.
    const qsizetype slash = target.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
      if (slash == 0) return std::nullopt;
      entry.agent = target.left(slash).toStdString();
      object = target.mid(slash + 1);
    }
  }
  if (object.isEmpty()) return std::nullopt;
  entry.target = object.toStdString();
  entry.label = entry.target;
  return entry;
}

QString GraphLegendText(const GraphEntryShown& entry, const QString& currentTarget) {
  QString text = ElidedLabel(QString::fromStdString(entry.info.label));
  if (entry.info.kind == kGraphRoundTrip) return text;
  const QString agent = entry.agent.empty() ? currentTarget : QString::fromStdString(entry.agent);
  if (!agent.isEmpty()) text += QStringLiteral(" @ ") + ElidedLabel(agent, 40);
  return text;
}

}  // namespace tesmo

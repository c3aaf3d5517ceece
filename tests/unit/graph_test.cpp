// The chart's data without a network: the window over the samples and its
// scroll rules, the plotted values of counters, polls that overlap entry
// changes, the command-line set-up and the stored refresh period.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>

#include "core/base/settings_store.h"
#include "core/snmp/snmp_types.h"
#include "tools/graph/graph_command_line.h"
#include "tools/graph/graph_csv.h"
#include "tools/graph/graph_data.h"
#include "tools/graph/graph_poll.h"

namespace tesmo {
namespace {

// Stores count sample points, each entry plotting the sample's number.
void Store(CGraphData& data, int count) {
  if (!data.Primed()) data.EndPoll(data.BeginPoll(), {}, 0, 5);
  for (int i = 0; i < count; ++i) {
    const GraphPoll poll = data.BeginPoll();
    const int n = data.Window().sampleCount;
    std::vector<RawSample> samples(poll.items.size(), RawSample{true, double(n), false, 0});
    ASSERT_TRUE(data.EndPoll(poll, samples, 1000 + n, 5));
  }
}

void SetPoints(CGraphData& data, int points) {
  GraphView view = data.View();
  view.points = points;
  data.SetView(view);
}

TEST(GraphWindow, FollowsTheNewestSampleUntilScrolledBack) {
  enum Op { kStore, kScroll, kPoints };
  const struct Step {
    Op op;
    int arg;
    GraphScroll scroll;
    int start, end;  // the window afterwards
  } steps[] = {
      {kStore, 50, {}, 0, 50},  // fewer than Nb pts: the window grows
      {kStore, 200, {}, 150, 250},
      {kScroll, 0, GraphScroll::LineLeft, 149, 249},
      {kStore, 5, {}, 149, 249},  // scrolled back: new samples leave it alone
      {kScroll, 0, GraphScroll::LineRight, 150, 250},
      {kStore, 1, {}, 150, 250},                      // still not at the newest (256 samples)
      {kScroll, 0, GraphScroll::RightEnd, 255, 256},  // only the newest sample
      {kStore, 2, {}, 255, 258},                      // following again
      {kScroll, 0, GraphScroll::PageLeft, 155, 255},
      {kScroll, 0, GraphScroll::PageRight, 255, 258},
      {kScroll, 0, GraphScroll::PageRight, 257, 258},  // clamped to the last sample
      {kScroll, -40, GraphScroll::Thumb, 0, 100},
      {kScroll, 120, GraphScroll::Thumb, 120, 220},
      {kScroll, 9999, GraphScroll::Thumb, 257, 258},
      {kScroll, 0, GraphScroll::LeftEnd, 0, 100},
      {kPoints, 10, {}, 90, 100},  // Nb pts keeps the window's end
      {kPoints, 300, {}, 0, 100},
      {kScroll, 0, GraphScroll::RightEnd, 257, 258},
      {kPoints, 0, {}, 258, 258},
      {kStore, 3, {}, 261, 261},  // zero points: nothing shown, still following
  };
  CGraphData data;
  data.AddEntry({kGraphSnmp, ".1.3.6.1.2.1.1.3.0", "up"});
  for (size_t i = 0; i < std::size(steps); ++i) {
    const Step& step = steps[i];
    if (step.op == kStore) Store(data, step.arg);
    if (step.op == kScroll) data.Scroll(step.scroll, step.arg);
    if (step.op == kPoints) SetPoints(data, step.arg);
    const GraphWindow window = data.Window();
    EXPECT_EQ(window.viewStart, step.start) << "step " << i;
    EXPECT_EQ(window.viewEnd, step.end) << "step " << i;
    ASSERT_EQ(window.values.size(), 1u);
    ASSERT_EQ(window.values[0].size(), window.times.size());
    // The values shown are the samples of those indexes.
    for (size_t k = 0; k < window.times.size(); ++k) {
      EXPECT_EQ(window.values[0][k], double(window.viewStart + int(k))) << "step " << i;
      EXPECT_EQ(window.times[k], 1000 + window.viewStart + int(k)) << "step " << i;
    }
  }
}

// Each case reads an entry in turn, with a 5 s period; a gap is kGraphGap.
TEST(GraphRate, CountersPlotRatesGapsAndNoSpikes) {
  enum Type { kGauge, kC32, kC64 };
  struct Reading {
    bool ok;
    double value;
    int64_t tickMs;
    double plotted;
    const char* agent = "10.0.0.1";
  };
  const double gap = kGraphGap;
  const struct {
    const char* name;
    Type type;
    std::vector<Reading> readings;
  } cases[] = {
      {"first sample: no rate yet", kC32, {{true, 1000, 0, gap}}},
      {"increase: 5,000 in 5 s", kC32, {{true, 1000, 0, gap}, {true, 6000, 5000, 1000}}},
      {"equal values: rate 0", kC32, {{true, 7, 0, gap}, {true, 7, 1000, 0}}},
      {"wrap past 2^32 counts once", kC32, {{true, 4294967000.0, 0, gap}, {true, 200, 1000, 496}}},
      {"reset: a fall that is no plausible wrap is a gap, then rates from the new value",
       kC32,
       {{true, 5000000, 0, gap}, {true, 1200, 1000, gap}, {true, 3200, 2000, 2000}}},
      {"reset from above 2^31 to just below it",
       kC32,
       {{true, 3000000000.0, 0, gap}, {true, 2000000000.0, 1000, gap}}},
      {"Counter64 never wraps: a fall is a reset",
       kC64,
       {{true, 9e12, 0, gap}, {true, 100, 1000, gap}, {true, 600, 2000, 500}}},
      {"failed sample: a gap, the next rate from the last good reading",
       kC32,
       {{true, 1000, 0, gap},
        {true, 2000, 5000, 200},
        {false, 0, 10000, gap},
        {true, 4000, 15000, 200}}},
      {"failed first sample: the first good one has no rate",
       kC32,
       {{false, 0, 0, gap}, {true, 5000, 5000, gap}, {true, 6000, 10000, 200}}},
      {"the clock did not move: the period", kC32, {{true, 0, 7, gap}, {true, 2000, 7, 400}}},
      {"another agent: starts afresh",
       kC32,
       {{true, 1000, 0, gap},
        {true, 9000, 1000, gap, "10.0.0.2"},
        {true, 9500, 2000, 500, "10.0.0.2"}}},
      {"gauges plot as read, failed ones are gaps",
       kGauge,
       {{true, 42, 0, 42}, {true, 17.5, 1, 17.5}, {false, 99, 2, gap}, {true, 0, 3, 0}}},
  };
  for (const auto& c : cases) {
    CounterState state;
    for (size_t i = 0; i < c.readings.size(); ++i) {
      const Reading& r = c.readings[i];
      RawSample sample(r.ok, r.value, c.type == kC32, r.tickMs);
      sample.counter64 = c.type == kC64;
      sample.agent = r.agent;
      const double plotted = PlotValue(state, sample, 5);
      if (IsGraphGap(r.plotted)) {
        EXPECT_TRUE(IsGraphGap(plotted)) << c.name << ", reading " << i << ": " << plotted;
      } else {
        EXPECT_DOUBLE_EQ(plotted, r.plotted) << c.name << ", reading " << i;
      }
    }
  }
}

TEST(GraphRate, ValueTextsReadAsNumbers) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"4294967295", 4294967295.0},
      {"1500 octets", 1500},
      {"-12", -12},
      {" 3.25", 3.25},
      {"0:01:02:03.04", 0},
      {"up", 0},
      {"", 0},
      {"0x1F", 0},
      {"inf", 0},
      {"nan", 0},
      {".5", 0.5},
      {"## NA ##", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(NumberOfValueText(c.text), c.value) << c.text;

  // A TimeTicks value plots its hundredths of a second, not 0.
  const struct {
    const char* text;
    int type;
    double value;
  } typed[] = {
      {"0:01:02:03.04", kTagTimeTicks, 372304}, {"497:02:27:52.95", kTagTimeTicks, 4294967295.0},
      {"0:01:02:03.04", kTagOctetString, 0},    {"0:25:00:00.00", kTagTimeTicks, 0},
      {"1500 octets", kTagGauge, 1500},
  };
  for (const auto& c : typed) EXPECT_DOUBLE_EQ(NumberOfValue(c.text, c.type), c.value) << c.text;
}

TEST(GraphPolls, EntryChangesDuringAPoll) {
  const RawSample ok{true, 7, false, 0};
  CGraphData data;
  data.AddEntry({kGraphSnmp, "a", "a"});
  data.AddEntry({kGraphRoundTrip, "127.0.0.1", "ping 127.0.0.1"});
  Store(data, 2);

  // An entry added while a poll is on its way: the samples are gone, that
  // poll stores nothing and the next one only primes.
  GraphPoll poll = data.BeginPoll();
  data.AddEntry({kGraphSnmp, "c", "c"});
  EXPECT_FALSE(data.EndPoll(poll, {ok, ok}, 5, 5));
  EXPECT_EQ(data.Window().sampleCount, 0);
  EXPECT_FALSE(data.Primed());
  EXPECT_FALSE(data.EndPoll(data.BeginPoll(), {ok, ok, ok}, 6, 5));
  EXPECT_TRUE(data.EndPoll(data.BeginPoll(), {ok, ok, ok}, 7, 5));
  EXPECT_EQ(data.Window().sampleCount, 1);

  // An entry deleted meanwhile: the others' samples are stored.
  poll = data.BeginPoll();
  ASSERT_TRUE(data.DeleteEntry(0));
  EXPECT_TRUE(data.EndPoll(poll, {ok, {true, 8, false, 0}, {true, 9, false, 0}}, 8, 5));
  const GraphSamples samples = data.Samples();
  ASSERT_EQ(samples.values.size(), 2u);
  EXPECT_EQ(samples.values[0], (std::vector<double>{7, 8}));
  EXPECT_EQ(samples.values[1], (std::vector<double>{7, 9}));
  EXPECT_EQ(samples.times, (std::vector<int64_t>{7, 8}));
  EXPECT_FALSE(data.DeleteEntry(5));

  // A lost reading is stored as a gap and counted.
  EXPECT_TRUE(data.EndPoll(data.BeginPoll(), {RawSample(false, 0), ok}, 9, 5));
  const GraphSamples withGap = data.Samples(2);
  ASSERT_EQ(withGap.values.size(), 2u);
  ASSERT_EQ(withGap.values[0].size(), 1u);
  EXPECT_TRUE(IsGraphGap(withGap.values[0][0]));
  EXPECT_EQ(withGap.values[1], (std::vector<double>{7}));
  EXPECT_EQ(withGap.lost, (std::vector<int>{1, 0}));

  // Clear meanwhile: nothing stored; Clear keeps the entries.
  poll = data.BeginPoll();
  data.Clear();
  EXPECT_FALSE(data.EndPoll(poll, {ok, ok}, 10, 5));
  EXPECT_EQ(data.Window().sampleCount, 0);
  EXPECT_EQ(data.EntryCount(), 2);
  data.RemoveAll();
  EXPECT_EQ(data.EntryCount(), 0);
}

// Legend texts stay short whatever was typed: an OID keeps its last labels.
TEST(GraphLegend, LongLabelsAreCutToTheirEnd) {
  const QString longOid = ".1.3.6.1.2.1.2.2.1.10" + QString(".7").repeated(20000);
  const struct {
    QString label, shown;
  } cases[] = {
      {"ping 10.71.2.2", "ping 10.71.2.2"},
      {QString(48, 'x'), QString(48, 'x')},
      {"interfaces.ifTable.ifEntry.ifInOctets.1234567890123",
       QString(QChar(0x2026)) + "ifTable.ifEntry.ifInOctets.1234567890123"},
      {QString(60, 'y'), QChar(0x2026) + QString(47, 'y')},
  };
  for (const auto& c : cases) EXPECT_EQ(ElidedLabel(c.label), c.shown) << c.label.toStdString();
  const QString shown = ElidedLabel(longOid);
  EXPECT_LE(shown.size(), 48);
  EXPECT_TRUE(shown.endsWith(".7.7"));
}

TEST(GraphCommandLine, SetUpTokens) {
  struct Entry {
    char kind;
    const char* target;
    const char* agent = "";
  };
  const struct {
    const char* line;
    bool complete;
    GraphView view;  // refresh, points, legend, 3D, X labels
    std::vector<Entry> entries;
  } cases[] = {
      {"host graph 5 100 1 0 1 S .1.3.6.1.2.1.2.2.1.10.2",
       true,
       {5, 100, true, true, false},
       {{'S', ".1.3.6.1.2.1.2.2.1.10.2"}}},
      {"host graph 2.5,250;0\t1 0 P 10.0.0.1 Snmp system.sysUpTime.0 odd",
       true,
       {2.5, 250, false, false, true},
       {{'P', "10.0.0.1"}, {'S', "system.sysUpTime.0"}}},
      // An SNMP entry may name its agent; a round trip's target is its host.
      {"host graph 5 100 1 0 1 S 10.0.0.9/ifInOctets.2 S router.lab/.1.3.6.1.2.1.1.3.0 P a/b",
       true,
       {5, 100, true, true, false},
       {{'S', "ifInOctets.2", "10.0.0.9"},
        {'S', ".1.3.6.1.2.1.1.3.0", "router.lab"},
        {'P', "a/b"}}},
      // Without a host or an object it is the object as typed.
      {"host graph 5 100 1 0 1 S /x S y/",
       true,
       {5, 100, true, true, false},
       {{'S', "/x"}, {'S', "y/"}}},
      {"host graph 7", false, {7, 100, true, false, true}, {}},
      {"host graph 7 30 0", false, {7, 30, false, false, true}, {}},
      {"host graph 7 30 x 1 1 P 10.0.0.1", false, {7, 30, true, false, true}, {}},
      {"host graph", false, {5, 100, true, false, true}, {}},
      {"host graph 1 -5 1 1 0", true, {1, 0, true, false, true}, {}},
  };
  for (const auto& c : cases) {
    CGraphData data;
    const GraphSetUp setUp = ParseGraphCommandLine(QString(c.line).split(' '));
    EXPECT_EQ(setUp.complete, c.complete) << c.line;
    ApplyGraphSetUp(setUp, data);
    const GraphView view = data.View();
    EXPECT_EQ(view.refreshSeconds, c.view.refreshSeconds) << c.line;
    EXPECT_EQ(view.points, c.view.points) << c.line;
    EXPECT_EQ(view.legend, c.view.legend) << c.line;
    EXPECT_EQ(view.threeD, c.view.threeD) << c.line;
    EXPECT_EQ(view.xLabels, c.view.xLabels) << c.line;
    const std::vector<GraphEntryInfo> entries = data.Entries();
    ASSERT_EQ(entries.size(), c.entries.size()) << c.line;
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].kind, c.entries[i].kind) << c.line;
      EXPECT_EQ(entries[i].target, c.entries[i].target) << c.line;
      EXPECT_EQ(entries[i].label, c.entries[i].target) << c.line;
      EXPECT_EQ(entries[i].agent, c.entries[i].agent) << c.line;
    }
  }
}

// The saved samples: legend texts naming agents, ISO 8601 stamps, an empty
// cell for a gap, quoted fields.
TEST(GraphCsv, SamplesWithGapsAndAgents) {
  GraphSamples samples;
  samples.entries = {
      {GraphEntryInfo(kGraphRoundTrip, "10.0.0.2", "ping 10.0.0.2"), "", false},
      {GraphEntryInfo(kGraphSnmp, "ifInOctets.2", "ifInOctets.2", "10.0.0.1"), "10.0.0.1", true},
      {GraphEntryInfo(kGraphSnmp, "x", "a,\"b\""), "", false}};
  const int64_t noon = QDateTime(QDate(2024, 5, 1), QTime(12, 0)).toSecsSinceEpoch();
  samples.times = {noon, noon + 5};
  samples.values = {{20.5, kGraphGap}, {kGraphGap, 1500}, {3, 4}};
  const QStringList lines =
      QString::fromUtf8(GraphSamplesCsv(samples, "target")).split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], R"(time,ping 10.0.0.2,ifInOctets.2 @ 10.0.0.1,"a,""b"" @ target")");
  const QRegularExpression stamp(R"(^2024-05-01T12:00:0([05])(Z|[+-]\d\d:\d\d),)");
  EXPECT_TRUE(stamp.match(lines[1]).hasMatch()) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].endsWith(",20.500000,,3.000000")) << lines[1].toStdString();
  EXPECT_TRUE(lines[2].endsWith(",,1500.000000,4.000000")) << lines[2].toStdString();
}

TEST(GraphSettings, RefreshTimeIsStoredInMilliseconds) {
  QTemporaryDir dir;
  CSettingsStore::SetFilePath(dir.filePath("tesmo.ini"));
  EXPECT_EQ(LoadGraphRefreshSeconds(), 5);
  const struct {
    int stored;
    double loaded;
  } cases[] = {{2500, 2}, {999, 0}, {60000, 60}, {-1, 5}};
  for (const auto& c : cases) {
    CSettingsStore::WriteInt("Graph", "RefreshTime", c.stored);
    EXPECT_EQ(LoadGraphRefreshSeconds(), c.loaded) << c.stored;
  }
  SaveGraphRefreshSeconds(2.5);
  EXPECT_EQ(CSettingsStore::ReadInt("Graph", "RefreshTime", 0), 2500);
  SaveGraphRefreshSeconds(1e300);
  EXPECT_EQ(CSettingsStore::ReadInt("Graph", "RefreshTime", 0), 2147483647);
  EXPECT_EQ(EffectivePeriod(0), 5);
  EXPECT_EQ(EffectivePeriod(0.5), 0.5);
  CSettingsStore::SetFilePath(QString());
}

}  // namespace
}  // namespace tesmo

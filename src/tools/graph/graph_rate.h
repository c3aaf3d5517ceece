// The value a sample plots: a round-trip time or an SNMP value as read, and a
// counter as its rate per second since the previous reading. A sample that
// has nothing honest to plot (no answer, no rate yet, a counter that was
// reset) is a gap: kGraphGap, never 0, which would read as a real value.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace tesmo {

// A lost sample: the chart breaks its line there, --batch leaves the cell
// empty.
constexpr double kGraphGap = std::numeric_limits<double>::quiet_NaN();
inline bool IsGraphGap(double value) {
  return std::isnan(value);
}

// One reading of an entry.
struct RawSample {
  RawSample() = default;
  RawSample(bool answered, double read, bool isCounter32 = false, int64_t readTickMs = 0)
      : ok(answered), value(read), counter32(isCounter32), tickMs(readTickMs) {}

  bool ok = false;         // the echo or the request was answered
  double value = 0;        // the round-trip time in ms, or the value text read as a number
  bool counter32 = false;  // the value came as a Counter32
  int64_t tickMs = 0;      // monotonic milliseconds when it was read
  bool counter64 = false;  // the value came as a Counter64 (SNMPv2c and v3)
  std::string agent;       // the agent's address asked (SNMP entries)
};

// The last successful reading of a counter entry.
struct CounterState {
  bool known = false;
  double previous = 0;
  int64_t previousTickMs = 0;
  std::string agent;  // whose counter previous is
};

// The value to plot: a round-trip time or a gauge as read, a counter as
// (value - previous) / seconds since the previous reading (the period when
// the clock has not moved). Every successful counter reading becomes the
// previous one, in a priming poll too.
//
// A Counter32 that went down wrapped only when the new value is plausibly
// past 2^32: the previous reading was above 2^31 and the new one is below
// previous - 2^31, that is the wrapped difference is less than half the
// counter's range. Any other decrease (and any decrease of a Counter64) is a
// reset, an agent that restarted: that sample is a gap, and the new value
// the start of the next rate. A counter read from another agent than the
// previous reading starts afresh too.
//
// A failed reading is a gap and leaves the previous reading as it was, so
// the rate after it is taken from the last good reading and covers the
// whole time since. The first reading has no rate: a gap.
double PlotValue(CounterState& state, const RawSample& sample, double periodSeconds);

// An SNMP value text read as a decimal number: its leading number ("1500
// octets" reads 1500), 0 when it does not start with one.
double NumberOfValueText(std::string_view text);

// The number an SNMP value plots as: a TimeTicks text ("0:01:02:03.04", the
// way values are shown) is read back into its hundredths of a second, which
// NumberOfValueText would read as 0; any other value as NumberOfValueText.
double NumberOfValue(std::string_view text, int valueType);

}  // namespace tesmo

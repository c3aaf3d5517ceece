// The value a sample plots: a round-trip time or an SNMP value as read, and a
// Counter32 as its rate per second since the previous reading.
#pragma once

#include <cstdint>
#include <string_view>

namespace tesmo {

// One reading of an entry.
struct RawSample {
  bool ok = false;         // the echo or the request was answered
  double value = 0;        // the round-trip time in ms, or the value text read as a number
  bool counter32 = false;  // the value came as a Counter32
  int64_t tickMs = 0;      // monotonic milliseconds when it was read
};

// The last successful reading of a Counter32 entry.
struct CounterState {
  bool known = false;
  double previous = 0;
  int64_t previousTickMs = 0;
};

// The value to plot. A Counter32 plots (value - previous) / seconds since the
// previous reading (the period when the clock has not moved), a decrease
// counting as one wrap of the 32-bit counter; with no previous reading it
// plots 0. Any successful Counter32 reading becomes the previous one, in a
// priming poll too. A failed reading plots 0 and leaves the previous reading
// as it was, so the rate after it covers both periods instead of rising
// from 0.
double PlotValue(CounterState& state, const RawSample& sample, bool primed, double periodSeconds);

// An SNMP value text read as a decimal number: its leading number ("1500
// octets" reads 1500), 0 when it does not start with one.
double NumberOfValueText(std::string_view text);

}  // namespace tesmo

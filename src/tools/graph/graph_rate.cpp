// Plotted values of samples.
#include "tools/graph/graph_rate.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/snmp/snmp_types.h"

namespace tesmo {
namespace {

constexpr double kTwoTo31 = 2147483648.0;
constexpr double kTwoTo32 = 4294967296.0;

}  // namespace

double PlotValue(CounterState& state, const RawSample& sample, double periodSeconds) {
  if (!sample.ok) return kGraphGap;
  if (!sample.counter32 && !sample.counter64) return sample.value;
  const bool comparable = state.known && state.agent == sample.agent;
  const CounterState previous = state;
  state.known = true;
  state.previous = sample.value;
  state.previousTickMs = sample.tickMs;
  state.agent = sample.agent;
  if (!comparable) return kGraphGap;
  double delta = sample.value - previous.previous;
  if (delta < 0) {
    const bool wrapped = sample.counter32 && previous.previous > kTwoTo31 &&
                         sample.value < previous.previous - kTwoTo31;
    if (!wrapped) return kGraphGap;
    delta += kTwoTo32;
  }
  const double seconds = sample.tickMs > previous.previousTickMs
                             ? static_cast<double>(sample.tickMs - previous.previousTickMs) / 1000.0
                             : periodSeconds;
  return seconds > 0 ? delta / seconds : kGraphGap;
}

double NumberOfValueText(std::string_view text) {
  const std::string copy(text);
  const char* begin = copy.c_str();
  while (*begin == ' ') ++begin;
  // Decimal only: strtod would also read "0x1F", "inf" and "nan".
  const char* p = begin;
  if (*p == '+' || *p == '-') ++p;
  if (!(*p >= '0' && *p <= '9') && !(*p == '.' && p[1] >= '0' && p[1] <= '9')) return 0;
  if (*p == '0' && (p[1] == 'x' || p[1] == 'X')) return 0;
  char* end = nullptr;
  const double value = std::strtod(begin, &end);
  return end == begin || !std::isfinite(value) ? 0 : value;
}

double NumberOfValue(std::string_view text, int valueType) {
  if (valueType == kTagTimeTicks) {
    unsigned days = 0, hours = 0, minutes = 0, seconds = 0, hundredths = 0;
    int used = 0;
    const std::string copy(text);
    if (std::sscanf(copy.c_str(), "%u:%u:%u:%u.%u%n", &days, &hours, &minutes, &seconds,
                    &hundredths, &used) == 5 &&
        hours < 24 && minutes < 60 && seconds < 60 && hundredths < 100) {
      return (((double(days) * 24 + hours) * 60 + minutes) * 60 + seconds) * 100 + hundredths;
    }
  }
  return NumberOfValueText(text);
}

}  // namespace tesmo

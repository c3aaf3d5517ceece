// Plotted values of samples.
#include "tools/graph/graph_rate.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace tesmo {

double PlotValue(CounterState& state, const RawSample& sample, bool primed, double periodSeconds) {
  if (!sample.ok) return 0;
  if (!sample.counter32) return sample.value;
  double rate = 0;
  if (primed && state.known) {
    double delta = sample.value - state.previous;
    if (delta < 0) delta += 4294967296.0;
    const double seconds = sample.tickMs > state.previousTickMs
                               ? static_cast<double>(sample.tickMs - state.previousTickMs) / 1000.0
                               : periodSeconds;
    rate = seconds > 0 ? delta / seconds : 0;
  }
  state.known = true;
  state.previous = sample.value;
  state.previousTickMs = sample.tickMs;
  return rate;
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

}  // namespace tesmo

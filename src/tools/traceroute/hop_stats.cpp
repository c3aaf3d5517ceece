// Hop statistics and interface rates.
#include "tools/traceroute/hop_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tesmo {

void HopStats::Add(std::optional<double> roundTripMs, const std::string& from) {
  ++sent;
  if (!from.empty()) AddAddress(from);
  if (!roundTripMs) return;
  const double x = *roundTripMs;
  ++received;
  last = x;
  if (received == 1) {
    best = worst = x;
  } else {
    best = std::min(best, x);
    worst = std::max(worst, x);
  }
  const double delta = x - mean;
  mean += delta / received;
  squares += delta * (x - mean);
}

void HopStats::AddAddress(const std::string& address) {
  if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
    addresses.push_back(address);
}

double HopStats::LossPercent() const {
  if (sent == 0) return 0;
  return 100.0 * (sent - received) / sent;
}

std::optional<double> HopStats::AverageMs() const {
  if (received == 0) return std::nullopt;
  return mean;
}

std::optional<double> HopStats::BestMs() const {
  if (received == 0) return std::nullopt;
  return best;
}

std::optional<double> HopStats::WorstMs() const {
  if (received == 0) return std::nullopt;
  return worst;
}

std::optional<double> HopStats::StdDevMs() const {
  if (received == 0) return std::nullopt;
  return std::sqrt(std::max(0.0, squares / received));
}

std::string OneDecimalText(std::optional<double> value) {
  if (!value || !std::isfinite(*value)) return {};
  char text[48];
  std::snprintf(text, sizeof text, "%.1f", *value);
  return text;
}

uint64_t CounterGrowth(uint64_t before, uint64_t after, bool sixtyFourBits) {
  if (sixtyFourBits) return after - before;  // unsigned arithmetic wraps at 2^64
  return ((after & 0xFFFFFFFFu) - (before & 0xFFFFFFFFu)) & 0xFFFFFFFFu;
}

std::optional<InterfaceRates> RatesBetween(const InterfaceCounters& before,
                                           const InterfaceCounters& after) {
  const double seconds = after.atSeconds - before.atSeconds;
  if (!(seconds > 0) || before.highCapacity != after.highCapacity) return std::nullopt;
  InterfaceRates rates;
  rates.errorsPerSecond =
      static_cast<double>(CounterGrowth(before.inErrors, after.inErrors, false) +
                          CounterGrowth(before.outErrors, after.outErrors, false)) /
      seconds;
  rates.discardsPerSecond =
      static_cast<double>(CounterGrowth(before.inDiscards, after.inDiscards, false) +
                          CounterGrowth(before.outDiscards, after.outDiscards, false)) /
      seconds;
  if (after.speedBitsPerSecond > 0) {
    const bool wide = after.highCapacity;
    const uint64_t octets = std::max(CounterGrowth(before.inOctets, after.inOctets, wide),
                                     CounterGrowth(before.outOctets, after.outOctets, wide));
    rates.utilisationPercent = 100.0 * 8.0 * static_cast<double>(octets) / seconds /
                               static_cast<double>(after.speedBitsPerSecond);
  }
  return rates;
}

}  // namespace tesmo

// The numbers of a continuous trace: each hop's round-trip statistics over
// the rounds, and the rates of a router interface's counters between two
// polls. Plain values, so that every report (the grid, --batch, a later
// structured output) reads the same numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tesmo {

// One hop's probes over the rounds.
class HopStats {
 public:
  // A probe: its round trip in ms when an answer came, none when it was lost;
  // from: the address that answered ("" for none). Each new address is kept,
  // in the order first seen.
  void Add(std::optional<double> roundTripMs, const std::string& from);
  // An address the hop is known by before any round (the first trace's).
  void AddAddress(const std::string& address);

  unsigned Sent() const { return sent; }
  unsigned Received() const { return received; }
  // Share of probes without an answer, 0 before the first probe.
  double LossPercent() const;
  // The last answered probe's round trip.
  std::optional<double> LastMs() const { return last; }
  std::optional<double> AverageMs() const;
  std::optional<double> BestMs() const;
  std::optional<double> WorstMs() const;
  // Standard deviation of the answered probes' round trips (of the whole
  // population, 0 for one answer).
  std::optional<double> StdDevMs() const;
  const std::vector<std::string>& Addresses() const { return addresses; }

 private:
  unsigned sent = 0;
  unsigned received = 0;
  std::optional<double> last;
  double best = 0;
  double worst = 0;
  // Running mean and sum of squared differences (Welford), stable over long runs.
  double mean = 0;
  double squares = 0;
  std::vector<std::string> addresses;
};

// "12.3": milliseconds, percentages and rates with one decimal; "" for none.
std::string OneDecimalText(std::optional<double> value);

// A router interface's counters at one poll. The octet counters are 64-bit
// when the agent has the HC counters, else 32-bit; errors and discards are
// 32-bit.
struct InterfaceCounters {
  uint64_t inErrors = 0, outErrors = 0, inDiscards = 0, outDiscards = 0;
  uint64_t inOctets = 0, outOctets = 0;
  bool highCapacity = false;
  uint64_t speedBitsPerSecond = 0;  // 0: unknown
  double atSeconds = 0;             // when the answer came, on a monotonic clock
};

// Per second between two polls.
struct InterfaceRates {
  double errorsPerSecond = 0;    // in and out errors together
  double discardsPerSecond = 0;  // in and out discards together
  // The busier direction's bits per second as a share of the speed; none
  // when the speed is unknown.
  std::optional<double> utilisationPercent;
};

// How much a counter grew from before to after, across one wrap of its width.
uint64_t CounterGrowth(uint64_t before, uint64_t after, bool sixtyFourBits);

// The rates from before to after; none when no time passed between them or
// the octet counters changed width.
std::optional<InterfaceRates> RatesBetween(const InterfaceCounters& before,
                                           const InterfaceCounters& after);

}  // namespace tesmo

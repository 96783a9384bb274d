// The request round trip the request benchmarks compare themselves with: a short message of a
// module (sub-command 0 and three argument words) sent on a queue and answered, as often as
// the benchmark's state asks.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace bench {

std::vector<uint8_t> round_trip_message(uint16_t module);
// Sends `msg` on queue `key` and waits for the answer, once per iteration.
void round_trips(benchmark::State& state, uint32_t key, const std::vector<uint8_t>& msg);

}  // namespace bench

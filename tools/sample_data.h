#pragma once
// Made-up data for the simulated remote, tests and benchmarks: repeatable byte patterns and the
// header fields that make bytes a code database the database page accepts.

#include <cstddef>
#include <cstdint>

#include "protocol/transfer_job.h"

namespace vanto {

// `n` pseudo-random bytes, the same for the same seed.
ByteBuffer Pattern(std::size_t n, std::uint32_t seed);

// Writes the database kind's tags, its total length and its magic word into `db` (at least 580
// bytes), leaving every other byte as it is.
void StampDatabaseHeader(ByteBuffer& db);

}  // namespace vanto

#pragma once
// What a remote that floods the link sends, again and again: for the flood tests of `serve` and
// the engine's flood benchmark. The PC serves the database download page meanwhile.

#include <ostream>
#include <string>

#include "protocol/transfer_job.h"

namespace vanto {

enum class FloodKind {
    kRequestsForAnotherPage,  // user data upload requests: "0000" and "Invalid Request!" each
    kDamagedRequests,         // database requests with a wrong check byte: "1111" each
    kAcceptedRequests,        // database requests: each one starts the exchange over
    kRandomBytes,             // every byte value, frame starts among them, but no request
};

// One repeat of the flood: whole frames, or 64 KiB of seeded random bytes in which no request
// frame begins (also not across the end, when repeated).
ByteBuffer FloodPattern(FloodKind kind);
std::string FloodName(FloodKind kind);
inline void PrintTo(FloodKind kind, std::ostream* os) {
    *os << FloodName(kind);
}

}  // namespace vanto

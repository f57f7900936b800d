#include "tools/flood_patterns.h"

#include <random>

#include "protocol/frames.h"

namespace vanto {

ByteBuffer FloodPattern(FloodKind kind) {
    ByteBuffer f(kRequestFrameLen);
    switch (kind) {
        case FloodKind::kRequestsForAnotherPage:
            BuildRequest(f.data(), REQ_USERDATA_UPLOAD);
            return f;
        case FloodKind::kDamagedRequests:
            BuildRequest(f.data(), REQ_DB_DOWNLOAD);
            f.back() ^= 0x01;
            return f;
        case FloodKind::kAcceptedRequests:
            BuildRequest(f.data(), REQ_DB_DOWNLOAD);
            return f;
        case FloodKind::kRandomBytes:
            break;
    }
    std::mt19937_64 rng(20261211);
    ByteBuffer b(64 * 1024);
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i] = static_cast<std::uint8_t>(rng());
        if (i > 0 && b[i - 1] == FRAME_START && b[i] == FT_REQUEST) {
            b[i] = FT_START;
        }
    }
    if (b.back() == FRAME_START) {
        b.back() = 0;
    }
    return b;
}

std::string FloodName(FloodKind kind) {
    switch (kind) {
        case FloodKind::kRequestsForAnotherPage:
            return "RequestsForAnotherPage";
        case FloodKind::kDamagedRequests:
            return "DamagedRequests";
        case FloodKind::kAcceptedRequests:
            return "AcceptedRequests";
        case FloodKind::kRandomBytes:
            return "RandomBytes";
    }
    return "?";
}

}  // namespace vanto

#pragma once
// Read-only views of the engine's fields for tests, the soak and diagnostics. The engine itself
// offers none: everything else reaches it only through bytes, timer expiries and its ports.

#include <cstddef>
#include <ostream>

#include "protocol/transfer_engine.h"

namespace vanto {

class EngineInspector {
public:
    explicit EngineInspector(const TransferEngine& engine) : m_e(engine) {}

    vanto::RxState RxState() const { return m_e.m_nRxState; }
    vanto::SendStep SendStep() const { return m_e.m_nSendStep; }
    int ReqCode() const { return m_e.m_nReqCode; }
    int BlockNo() const { return m_e.m_nBlockNo; }
    int RemainBlocks() const { return m_e.m_nRemainBlocks; }
    int RxLen() const { return m_e.m_nRxLen; }
    const TransferPage* JobView() const { return m_e.m_pJobView; }
    // Held bytes and timer expiries not handled yet.
    std::size_t HeldEvents() const { return m_e.m_held.Size(); }
    // True while a download holds the data it accepted.
    bool HoldsDownloadData() const { return m_e.m_snapshot.Valid(); }

private:
    const TransferEngine& m_e;
};

// Test failures name the states as the protocol does.
inline void PrintTo(RxState state, std::ostream* os) {
    *os << RxStateName(state);
}
inline void PrintTo(SendStep step, std::ostream* os) {
    *os << SendStepName(step);
}

}  // namespace vanto

#pragma once
// The protocol engine: a receive parser driven byte by byte (OnReceiveByte) and a send step
// (RunSendStep) that sends the frame the exchange needs next, with numbered one-shot timers for
// every wait. It serves one job page at a time through TransferPage::OnTransferNotify.
//
// One thread drives every entry point (OnBytes, OnTimer). The 100 ms pause after an accepted
// request or start frame holds the engine without sleeping: bytes and timer expiries that come
// meanwhile wait in a HoldQueue and are handled after the pause, in arrival order, once the send
// step ran. Calls that arrive while the engine is itself busy (a page's notification or the modal
// alert running a nested event loop) wait the same way.

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/download_snapshot.h"
#include "protocol/engine_ports.h"
#include "protocol/engine_states.h"
#include "protocol/engine_timers.h"
#include "protocol/frames.h"
#include "protocol/hold_queue.h"
#include "protocol/transfer_job.h"
#include "protocol/transfer_notify.h"

namespace vanto {

class EngineInspector;

// Where bytes were dropped to keep a queue within its bounds.
enum class DropSite {
    kHeld,      // received while the engine was held (a pause, a notification, the modal box)
    kIncoming,  // received, waiting to reach the engine's thread
    kOutgoing,  // frames waiting for the link to take them
};

// Sees every complete frame the engine receives and sends, start byte included, and every drop
// of a bounded queue (for `serve --trace`).
class FrameTraceSink {
public:
    virtual ~FrameTraceSink() = default;
    virtual void OnFrameReceived(const std::uint8_t* frame, std::size_t length) = 0;
    virtual void OnFrameSent(const std::uint8_t* /*frame*/, std::size_t /*length*/) {}
    // `frames` is 0 where whole frames are not known (received bytes).
    virtual void OnDropped(DropSite /*site*/, std::size_t /*frames*/, std::size_t /*bytes*/) {}
};

class TransferEngine {
public:
    // The protocol's names stay reachable as TransferEngine::RX_DATA, ::SS_IDLE, ::TIMER_RESET.
    using enum RxState;
    using enum SendStep;
    using enum EngineTimer;

    static constexpr std::size_t kRxBufSize = 4096;
    static constexpr std::size_t kTxBufSize = 3072;

    TransferEngine(FrameWriter& writer, TimerHost& timers, PageRegistry& pages, ModalAlert& alert);
    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;

    // Received bytes, in arrival order.
    void OnBytes(const std::uint8_t* data, std::size_t n);
    // Expiry of timer `id` (TIMER_INIT_VIEW, the protocol timers, the engine's own). Other ids,
    // TIMER_DEVICE_POLL included, are not the engine's and are ignored.
    void OnTimer(int id);
    void SetTraceSink(FrameTraceSink* sink) { m_pTrace = sink; }
    // The speed of the link in bytes per second when a frame takes a while on it (a serial
    // line), 0 when any frame passes within a moment. The frame watchdog then lasts as long as
    // the longest frame the engine can receive takes at that speed, and a second more.
    void SetLineSpeed(long bytesPerSecond);

private:
    friend class EngineInspector;  // read-only views for tests and diagnostics (tools/)

    // Entry points.
    void OnReceiveByte(std::uint8_t c);
    void RunSendStep();
    void SendBlockAck(std::uint8_t code);

    // Receive parser.
    void OnTypeByte(std::uint8_t c);
    void StartRequest();
    void OnRequestFrame();
    void OnStartFrame();
    void OnDataByte();
    void OnEndFrame();
    void OnBlockAckFrame();
    void OnHeadFrame();
    void OnFinalAckFrame();
    void StoreHead(const std::uint8_t* body);
    // Inside a data frame whose length is known, how many of the next `available` bytes can be
    // stored at once (0: take the byte path).
    std::size_t DataBodyRun(std::size_t available) const;

    // Send steps.
    void SendHead();
    void SendBlock(bool firstSending);
    void ReportDownloadProgress();
    void GiveUp();
    void RecordForResend(std::size_t length);
    void Resend();

    // Timers and waits.
    void HandleTimer(int id);
    bool TimerGivesUp();
    // Arms the reply timer that bounds the wait the engine enters now.
    void ArmWait(int id, int periodMs);
    // After a negative acknowledgement: the wait that was running gets its timer back.
    void KeepWaitBounded();
    // An accepted exchange always has a timer running until its reset.
    void KeepExchangeBounded();

    // Holding and draining.
    bool Held() const { return m_bPaused || m_nDepth > 0 || !m_held.Empty(); }
    void HoldBytes(const std::uint8_t* data, std::size_t n);
    void ReportHeldDrop(std::size_t bytes);
    void Drain();
    void BeginPause();
    void EndPause();

    void Write(const std::uint8_t* frame, std::size_t n);
    long Notify(TransferPage* page, int code, const NotifyParam& param = {});
    void TraceFrame(std::size_t bodyLen);

    FrameWriter& m_writer;
    EngineTimers m_timers;
    PageRegistry& m_pages;
    ModalAlert& m_alert;
    FrameTraceSink* m_pTrace = nullptr;

    // The protocol's fields.
    std::array<std::uint8_t, kRxBufSize> m_byRxBuf;
    int m_nRxLen = 0;
    RxState m_nRxState = RX_WAIT_START;
    SendStep m_nSendStep = SS_IDLE;
    int m_nReqCode = 0;
    int m_nRetry = 0;
    int m_bResend = 0;
    int m_nBlockNo = 0;
    int m_nBlockOffset = 0;
    std::array<std::uint8_t, kTxBufSize> m_byTxBuf;
    std::array<std::uint8_t, kBlockSize> m_byBlockBuf;
    int m_nLastPercent = 0;
    int m_nRemainBlocks = 0;
    int m_nTxLen = 0;
    TransferPage* m_pJobView = nullptr;
    int m_nRxDataLen = 0;

    // The frame recorded for re-sending (m_nTxLen bytes), kept apart from the transmit buffer so
    // that frames built after it never change what a re-send puts on the wire.
    std::array<std::uint8_t, kHeadFrameLen> m_byResendBuf;

    DownloadSnapshot m_snapshot;
    // Which block of the current snapshot the staging buffer holds (-1: none), and its length.
    int m_nStagedBlock = -1;
    int m_nStagedLen = 0;

    // An upload of this exchange has delivered data to the page.
    bool m_bDataSeen = false;
    // The job page answered the end of the upload as failed and shows why itself.
    bool m_bPageReportsCorrupt = false;
    // From an accepted request to the reset that ends its exchange.
    bool m_bExchangeOpen = false;
    // The reply timer bounding the wait in progress (0: none) and the period it was armed with.
    int m_nWaitTimer = 0;
    int m_nWaitMs = 0;
    int m_nFrameWatchdogMs = kFrameWatchdogMs;

    bool m_bPaused = false;
    bool m_bPauseExpired = false;
    int m_nDepth = 0;
    // Bytes and timer expiries that came while the engine was held; a timer expiry carries its
    // arming generation, so that one made stale by a later arm or disarm is dropped.
    HoldQueue m_held;

    std::array<std::uint8_t, kRxBufSize + 1> m_byTraceBuf;
    std::array<char, 48> m_szPercent{};
};

}  // namespace vanto

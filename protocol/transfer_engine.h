#pragma once
// The protocol engine: a receive parser driven byte by byte (OnReceiveByte) and a send step
// (RunSendStep) that sends the frame the exchange needs next, with numbered one-shot timers for
// every wait. It serves one job page at a time through TransferPage::OnTransferNotify.
//
// One thread drives every entry point (OnBytes, OnTimer). The 100 ms pause after an accepted
// request or start frame holds the engine without sleeping: bytes and timer expiries that come
// meanwhile are queued and handled after the pause, in arrival order, once the send step ran.
// Calls that arrive while the engine is itself busy (a page's notification or the modal alert
// running a nested event loop) are queued the same way.

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/engine_ports.h"
#include "protocol/frames.h"
#include "protocol/hold_queue.h"
#include "protocol/transfer_job.h"
#include "protocol/transfer_notify.h"

namespace vanto {

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
    enum RxState : int {
        RX_WAIT_START = 0,
        RX_WAIT_TYPE = 1,
        RX_REQUEST = 10,
        RX_START = 30,
        RX_DATA = 40,
        RX_END = 50,
        RX_BLOCK_ACK = 70,
        RX_HEAD = 90,
        RX_FINAL_ACK = 100,
    };

    enum SendStep : int {
        SS_IDLE = 0,
        SS_SEND_HEAD = 1,
        SS_WAIT_START = 2,
        SS_REFUSE = 3,
        SS_REQUEST_DAMAGED = 5,
        SS_WAIT_REQUEST = 6,
        SS_SEND_BLOCK = 7,
        SS_WAIT_BLOCK_ACK = 8,
        SS_SEND_NAK = 9,
        SS_RESEND_BLOCK = 11,
        SS_SEND_END = 12,
        SS_WAIT_FINAL_ACK = 13,
        SS_SEND_HEAD_REQUEST = 33,
        SS_WAIT_HEAD = 34,
        SS_SEND_START = 35,
        SS_WAIT_DATA = 36,
        SS_UPLOAD_OK = 39,
        SS_UPLOAD_CORRUPT = 40,
        SS_UPLOAD_CLOSED = 41,
    };

    static constexpr int TIMER_INIT_VIEW = 1;
    static constexpr int TIMER_DEVICE_POLL = 100;
    static constexpr int TIMER_TIMEOUT = 110;
    static constexpr int TIMER_HEAD_REPLY = 120;
    static constexpr int TIMER_BLOCK_ACK = 130;
    static constexpr int TIMER_DATA_WAIT = 140;
    static constexpr int TIMER_FRAME_TYPE = 150;
    static constexpr int TIMER_RESET = 190;
    // The engine's own timer for the 100 ms pause.
    static constexpr int TIMER_ENGINE_PAUSE = 200;
    static constexpr int kPauseMs = 100;
    // The engine's own watchdog of a frame body: a frame that has not completed this long after
    // its type byte is dropped, so a damaged length can never keep the parser inside a frame
    // while no protocol timer runs (while waiting for a repeated request, say). At least
    // kFrameWatchdogMs, longer on a slow line (SetLineSpeed).
    static constexpr int TIMER_ENGINE_FRAME = 201;
    static constexpr int kFrameWatchdogMs = 2000;

    static constexpr std::size_t kRxBufSize = 4096;
    static constexpr std::size_t kTxBufSize = 3072;

    TransferEngine(FrameWriter& writer, TimerHost& timers, PageRegistry& pages, ModalAlert& alert);
    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;

    // Received bytes, in arrival order.
    void OnBytes(const std::uint8_t* data, std::size_t n);
    // Expiry of timer `id` (TIMER_INIT_VIEW, the protocol timers, TIMER_ENGINE_PAUSE). Other ids,
    // TIMER_DEVICE_POLL included, are not the engine's and are ignored.
    void OnTimer(int id);
    void SetTraceSink(FrameTraceSink* sink) { m_pTrace = sink; }
    // The speed of the link in bytes per second when a frame takes a while on it (a serial
    // line), 0 when any frame passes within a moment. The frame watchdog then lasts as long as
    // the longest frame the engine can receive takes at that speed, and a second more.
    void SetLineSpeed(long bytesPerSecond);

    // Read-only views for tests and diagnostics.
    int RxState() const { return m_nRxState; }
    int SendStepValue() const { return m_nSendStep; }
    int ReqCode() const { return m_nReqCode; }
    int Retry() const { return m_nRetry; }
    bool Resending() const { return m_bResend != 0; }
    int BlockNo() const { return m_nBlockNo; }
    int RemainBlocks() const { return m_nRemainBlocks; }
    int LastPercent() const { return m_nLastPercent; }
    int TxLen() const { return m_nTxLen; }
    int RxLen() const { return m_nRxLen; }
    TransferPage* JobView() const { return m_pJobView; }
    bool Paused() const { return m_bPaused; }
    // Held bytes and timer expiries not handled yet.
    std::size_t QueuedEvents() const { return m_held.Size(); }
    // True while a download holds the data it accepted.
    bool HoldsDownloadData() const { return m_snapshot.valid; }

private:
    // What a download sends, taken from the job page when its request is accepted.
    struct DownloadSnapshot {
        bool valid = false;
        SharedBytes data;
        std::int32_t blockCount = 0;
        std::int32_t blocksLeft = 0;
        std::int32_t lastBlockSize = 0;
        std::uint16_t checksum = 0;
        std::uint32_t headParam1 = 0, headParam2 = 0, headParam3 = 0;
        std::uint32_t devParam1 = 0, devParam2 = 0;
        std::array<std::array<std::uint8_t, 16>, 3> headName{};
    };

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
    bool PageServes(const TransferPage* page, int code) const;
    bool TakeSnapshot(const TransferJob& job);
    void ReleaseSnapshot();
    void StoreHead(const std::uint8_t* body);

    // Send steps.
    void SendHead();
    void SendBlock(bool firstSending);
    bool StageBlock(int blockNo);
    void ReportDownloadProgress();
    void GiveUp();
    void RecordForResend(std::size_t length);
    void Resend();

    // Timers.
    void HandleTimer(int id);
    bool TimerGivesUp();
    void Arm(int id, int periodMs);
    void Disarm(int id);
    // Arms the reply timer that bounds the wait the engine enters now.
    void ArmWait(int id, int periodMs);
    // After a negative acknowledgement: the wait that was running gets its timer back.
    void KeepWaitBounded();
    void KeepExchangeBounded();
    // Index of timer `id` among the engine's timers, or -1.
    static int TimerSlot(int id);
    bool IsArmed(int id) const;
    // True when an expiry of timer `id` armed as `generation` is still the one that counts.
    bool IsCurrent(int id, std::uint32_t generation) const;

    std::size_t DataBodyRun(std::size_t available) const;
    static bool IsWaitingStep(int step);

    // Holding and draining.
    bool Held() const { return m_bPaused || m_nDepth > 0 || !m_held.Empty(); }
    void HoldBytes(const std::uint8_t* data, std::size_t n);
    void ReportHeldDrop(std::size_t bytes);
    void Drain();
    void EndPause();
    void BeginPause();

    void Write(const std::uint8_t* frame, std::size_t n) {
        if (m_pTrace != nullptr)
            m_pTrace->OnFrameSent(frame, n);
        m_writer.WriteFrame(frame, n);
    }
    long Notify(TransferPage* page, int code, std::intptr_t lParam = 0);
    void SetMessage(TransferPage* page, const char* text) {
        Notify(page, TN_SET_MESSAGE, reinterpret_cast<std::intptr_t>(text));
    }
    void TraceFrame(std::size_t bodyLen);

    FrameWriter& m_writer;
    TimerHost& m_timers;
    PageRegistry& m_pages;
    ModalAlert& m_alert;
    FrameTraceSink* m_pTrace = nullptr;

    std::array<std::uint8_t, kRxBufSize> m_byRxBuf;
    int m_nRxLen = 0;
    int m_nRxState = RX_WAIT_START;
    int m_nSendStep = SS_IDLE;
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
    // The frame recorded for re-sending (m_nTxLen bytes), kept apart from the transmit buffer so
    // that frames built after it never change what a re-send puts on the wire.
    std::array<std::uint8_t, kHeadFrameLen> m_byResendBuf;
    TransferPage* m_pJobView = nullptr;
    int m_nRxDataLen = 0;

    DownloadSnapshot m_snapshot;
    // Which block of the current snapshot the staging buffer holds (-1: none).
    int m_nStagedBlock = -1;
    int m_nStagedLen = 0;
    bool m_bStagedLast = false;

    // An upload of this exchange has delivered data to the page.
    bool m_bDataSeen = false;

    int m_nFrameWatchdogMs = kFrameWatchdogMs;
    bool m_bPaused = false;
    bool m_bPauseExpired = false;
    int m_nDepth = 0;
    // Bytes and timer expiries that came while the engine was held; a timer expiry carries the
    // arming generation it belongs to, so that one made stale by a later arm or disarm is dropped.
    HoldQueue m_held;
    std::array<std::uint32_t, 8> m_timerGeneration{};
    std::array<bool, 8> m_bArmed{};
    // The reply timer bounding the wait in progress (0: none) and the period it was armed with.
    int m_nWaitTimer = 0;
    int m_nWaitMs = 0;
    // From an accepted request to the reset that ends its exchange.
    bool m_bExchangeOpen = false;

    std::array<std::uint8_t, kRxBufSize + 1> m_byTraceBuf;
    std::array<char, 48> m_szPercent{};
};

}  // namespace vanto

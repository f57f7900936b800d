#include "protocol/transfer_engine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "protocol/request_target.h"

namespace vanto {

namespace {

// Timer replies give up when the retry counter passes this; send steps when it passes 3.
constexpr int kTimerRetryLimit = 2;
constexpr int kStepRetryLimit = 3;

const char* const kTextStarted = "Communication started...";
const char* const kTextInvalid = "Invalid Request!";
const char* const kTextNotReady = "The file is not ready!";
const char* const kTextHeadSend = "Head Information Send";
const char* const kTextHeadRequest = "Head Info Request Send";
const char* const kTextStart = "Communication Start!";
const char* const kTextCompleted = "DOWNLOAD COMPLETED.";
const char* const kTextNak = "NAK Transfer...";
const char* const kTextEnd = "End of Communication";
const char* const kTextTimeout = "Communication Timeout!";
const char* const kTextWaiting = "Waiting for request...";
const char* const kTextCorrupted = "User data received from remote control is corrupted!";

// Bytes after the start byte that complete each frame the PC receives.
constexpr int kRequestBody = FrameBodyLength(FT_REQUEST);
constexpr int kStartBody = FrameBodyLength(FT_START);
constexpr int kEndBody = FrameBodyLength(FT_END);
constexpr int kBlockAckBody = FrameBodyLength(FT_BLOCK_ACK);
constexpr int kHeadBody = FrameBodyLength(FT_HEAD);
constexpr int kFinalAckBody = FrameBodyLength(FT_ACK);
constexpr int kDataBody = static_cast<int>(kDataFrameOverhead) - 1;  // plus L

}  // namespace

TransferEngine::TransferEngine(FrameWriter& writer, TimerHost& timers, PageRegistry& pages,
                               ModalAlert& alert)
    : m_writer(writer), m_timers(timers), m_pages(pages), m_alert(alert) {}

void TransferEngine::SetLineSpeed(long bytesPerSecond) {
    // The longest frame the parser takes: the start byte and a full receive buffer.
    constexpr long kLongestFrame = static_cast<long>(kRxBufSize) + 1;
    m_nFrameWatchdogMs = kFrameWatchdogMs;
    if (bytesPerSecond > 0) {
        const long lineMs = (kLongestFrame * 1000 + bytesPerSecond - 1) / bytesPerSecond + 1000;
        m_nFrameWatchdogMs =
            static_cast<int>(std::min<long>(std::max<long>(lineMs, kFrameWatchdogMs), 600000));
    }
}

void TransferEngine::Write(const std::uint8_t* frame, std::size_t n) {
    if (m_pTrace != nullptr)
        m_pTrace->OnFrameSent(frame, n);
    m_writer.WriteFrame(frame, n);
}

long TransferEngine::Notify(TransferPage* page, int code, const NotifyParam& param) {
    return page != nullptr ? page->OnTransferNotify(code, param) : 0;
}

void TransferEngine::TraceFrame(std::size_t bodyLen) {
    if (m_pTrace == nullptr)
        return;
    m_byTraceBuf[0] = FRAME_START;
    std::memcpy(m_byTraceBuf.data() + 1, m_byRxBuf.data(), bodyLen);
    m_pTrace->OnFrameReceived(m_byTraceBuf.data(), bodyLen + 1);
}

// ---------------------------------------------------------------------------------------------
// Entry points, holding and draining

void TransferEngine::OnBytes(const std::uint8_t* data, std::size_t n) {
    std::size_t i = 0;
    if (!Held()) {
        ++m_nDepth;
        while (i < n && !m_bPaused) {
            const std::size_t body = DataBodyRun(n - i);
            if (body != 0) {
                std::memcpy(&m_byRxBuf[static_cast<std::size_t>(m_nRxLen)], data + i, body);
                m_nRxLen += static_cast<int>(body);
                i += body;
                continue;
            }
            OnReceiveByte(data[i++]);
        }
        --m_nDepth;
    }
    HoldBytes(data + i, n - i);
    Drain();
}

// Inside a data frame whose length is known and fits, the bytes before the last one are only
// stored, and the send step after each of them does nothing when the engine waits.
std::size_t TransferEngine::DataBodyRun(std::size_t available) const {
    if (m_nRxState != RX_DATA || m_nRxLen <= kDataHeaderBodyLength || !IsWaitingStep(m_nSendStep))
        return 0;
    const int complete = m_nRxDataLen + kDataBody;
    if (complete >= static_cast<int>(kRxBufSize) || m_nRxLen >= complete - 1)
        return 0;
    return std::min(available, static_cast<std::size_t>(complete - 1 - m_nRxLen));
}

void TransferEngine::OnTimer(int id) {
    if (id == TIMER_ENGINE_PAUSE) {
        m_timers.Disarm(TIMER_ENGINE_PAUSE);
        if (!m_bPaused)
            return;
        if (m_nDepth > 0) {
            m_bPauseExpired = true;  // handled when the running call returns
            return;
        }
        EndPause();
        return;
    }
    if (!EngineTimers::Owns(id))
        return;
    if (Held()) {
        m_held.PushTimer(id, m_timers.Generation(id));
        Drain();
        return;
    }
    ++m_nDepth;
    HandleTimer(id);
    --m_nDepth;
    Drain();
}

void TransferEngine::HoldBytes(const std::uint8_t* data, std::size_t n) {
    ReportHeldDrop(m_held.PushBytes(data, n));
}

void TransferEngine::ReportHeldDrop(std::size_t bytes) {
    if (bytes != 0 && m_pTrace != nullptr)
        m_pTrace->OnDropped(DropSite::kHeld, 0, bytes);
}

void TransferEngine::Drain() {
    if (m_nDepth > 0)
        return;
    ++m_nDepth;
    for (;;) {
        if (m_bPauseExpired) {
            m_bPauseExpired = false;
            m_bPaused = false;
            RunSendStep();
        }
        if (m_bPaused || m_held.Empty())
            break;
        // Each event leaves the queue before it is handled: handling it may hold more.
        const HoldQueue::Event e = m_held.Front();
        if (e.timer >= 0) {
            m_held.Consume(0);
            if (m_timers.Generation(e.timer) == e.generation)
                HandleTimer(e.timer);
            continue;
        }
        const std::size_t body = DataBodyRun(e.length);
        if (body != 0) {
            std::memcpy(&m_byRxBuf[static_cast<std::size_t>(m_nRxLen)], e.bytes, body);
            m_nRxLen += static_cast<int>(body);
            m_held.Consume(body);
        } else {
            const std::uint8_t c = e.bytes[0];
            m_held.Consume(1);
            OnReceiveByte(c);
        }
    }
    if (m_held.Empty() && !m_bPaused)
        KeepExchangeBounded();
    --m_nDepth;
}

void TransferEngine::BeginPause() {
    ReportHeldDrop(m_held.BeginPause());
    m_bPaused = true;
    m_bPauseExpired = false;
    m_timers.Arm(TIMER_ENGINE_PAUSE, kPauseMs);
}

void TransferEngine::EndPause() {
    m_bPaused = false;
    ++m_nDepth;
    RunSendStep();
    --m_nDepth;
    Drain();
}

// ---------------------------------------------------------------------------------------------
// Receive parser

void TransferEngine::OnReceiveByte(std::uint8_t c) {
    m_byRxBuf[static_cast<std::size_t>(m_nRxLen)] = c;
    m_nRxLen = (m_nRxLen + 1) % static_cast<int>(kRxBufSize);

    switch (m_nRxState) {
        case RX_WAIT_START:
            if (c == FRAME_START) {
                m_nRxLen = 0;
                m_nRxState = RX_WAIT_TYPE;
                m_timers.Arm(TIMER_FRAME_TYPE, kFrameTypeMs);
            }
            break;
        case RX_WAIT_TYPE:
            OnTypeByte(c);
            break;
        case RX_REQUEST:
            if (m_nRxLen == kRequestBody)
                OnRequestFrame();
            break;
        case RX_START:
            if (m_nRxLen == kStartBody)
                OnStartFrame();
            break;
        case RX_DATA:
            OnDataByte();
            break;
        case RX_END:
            if (m_nRxLen == kEndBody)
                OnEndFrame();
            break;
        case RX_BLOCK_ACK:
            if (m_nRxLen == kBlockAckBody)
                OnBlockAckFrame();
            break;
        case RX_HEAD:
            if (m_nRxLen == kHeadBody)
                OnHeadFrame();
            break;
        case RX_FINAL_ACK:
            if (m_nRxLen == kFinalAckBody)
                OnFinalAckFrame();
            break;
    }

    if (!m_bPaused)
        RunSendStep();
}

void TransferEngine::OnTypeByte(std::uint8_t c) {
    if (c == FT_REQUEST) {
        StartRequest();
        return;
    }
    if (m_nSendStep == SS_IDLE) {
        m_nRxLen = 0;
        if (c == FRAME_START) {
            m_timers.Arm(TIMER_FRAME_TYPE, kFrameTypeMs);
        } else {
            m_nRxState = RX_WAIT_START;
        }
        return;
    }
    RxState next;
    switch (c) {
        case FT_START:
            next = RX_START;
            break;
        case FT_DATA:
            next = RX_DATA;
            break;
        case FT_END:
            next = RX_END;
            break;
        case FT_BLOCK_ACK:
            next = RX_BLOCK_ACK;
            break;
        case FT_HEAD:
            next = RX_HEAD;
            break;
        case FT_ACK:
            next = RX_FINAL_ACK;
            break;
        default:
            // A second 0x0F here is not a start byte either.
            m_nRxState = RX_WAIT_START;
            return;
    }
    m_nRxState = next;
    m_timers.Disarm(TIMER_FRAME_TYPE);
    m_timers.Arm(TIMER_ENGINE_FRAME, m_nFrameWatchdogMs);
}

void TransferEngine::StartRequest() {
    m_pJobView = m_pages.ShowingPage();
    m_timers.Arm(TIMER_TIMEOUT, kRequestTimeoutMs);
    m_nRxState = RX_REQUEST;
    m_timers.Disarm(TIMER_FRAME_TYPE);
    m_timers.Arm(TIMER_ENGINE_FRAME, m_nFrameWatchdogMs);
}

void TransferEngine::OnRequestFrame() {
    TraceFrame(kRequestBody);
    m_timers.Disarm(TIMER_TIMEOUT);
    if (!CheckRequest(m_byRxBuf.data(), kRequestBody)) {
        m_nSendStep = SS_REQUEST_DAMAGED;
        m_nRxLen = 0;
        return;
    }
    // The staging buffer keeps the block it holds: a block timer still running from the
    // released exchange re-sends exactly the frame it sent before.
    m_snapshot.Release();
    const std::uint8_t code = m_byRxBuf[1];
    m_nReqCode = (code >= '1' && code <= '9') ? '0' : code;
    if (!IsDownloadRequest(code) && !IsUploadRequest(code)) {
        m_nSendStep = SS_REFUSE;
        m_nRxLen = 0;
        return;
    }
    if (!PageServesRequest(m_pJobView, m_nReqCode)) {
        Notify(m_pages.ShowingPage(), TN_SET_MESSAGE, kTextInvalid);
        m_nSendStep = SS_REFUSE;
        return;
    }
    const bool download = IsDownloadRequest(code);
    if (download)
        Notify(m_pJobView, TN_RELOAD_FILE);
    if (m_pJobView->m_job.m_bFileReady != 1 || (download && !m_snapshot.Take(m_pJobView->m_job))) {
        Notify(m_pJobView, TN_SET_MESSAGE, kTextNotReady);
        m_nSendStep = SS_REFUSE;
        return;
    }
    m_nStagedBlock = -1;
    m_nLastPercent = 0;
    Notify(m_pJobView, TN_SET_MESSAGE, kTextStarted);
    if (download) {
        Notify(m_pJobView, TN_PROGRESS_RANGE);
        Notify(m_pJobView, TN_PROGRESS_POS, 0);
        m_nRemainBlocks = m_snapshot.BlocksLeft();
        m_nSendStep = SS_SEND_HEAD;
    } else {
        m_nSendStep = SS_SEND_HEAD_REQUEST;
    }
    m_nRetry = 0;
    m_nBlockNo = 0;
    m_bDataSeen = false;
    m_nWaitTimer = 0;
    m_bExchangeOpen = true;
    BeginPause();
    m_nRxLen = 0;
}

void TransferEngine::OnStartFrame() {
    TraceFrame(kStartBody);
    m_timers.Disarm(TIMER_HEAD_REPLY);
    if (CheckShortFrame(m_byRxBuf.data(), kStartBody)) {
        m_nBlockOffset = 0;
        m_nRetry = 0;
        m_nSendStep = SS_SEND_BLOCK;
        BeginPause();
    } else {
        m_nSendStep = SS_SEND_NAK;
    }
    m_nRxLen = 0;
}

void TransferEngine::OnDataByte() {
    if (m_nRxLen == kDataHeaderBodyLength) {
        m_nBlockNo = ReadBe16(&m_byRxBuf[1]);
        m_nRxDataLen = ReadBe16(&m_byRxBuf[3]);
        return;
    }
    if (m_nRxLen <= kDataHeaderBodyLength || m_nRxLen < m_nRxDataLen + kDataBody)
        return;

    TraceFrame(static_cast<std::size_t>(m_nRxLen));
    if (CheckData(m_byRxBuf.data(), static_cast<std::size_t>(m_nRxLen))) {
        int blocks = m_pJobView != nullptr ? m_pJobView->m_job.m_nProgressBlocks : 1;
        if (blocks <= 0)
            blocks = 1;  // a page that never received head information
        const int p = static_cast<int>((static_cast<std::int64_t>(m_nBlockNo) + 1) * 100 / blocks);
        if (p != m_nLastPercent) {
            m_nLastPercent = p;
            Notify(m_pJobView, TN_PROGRESS_POS, p);
            std::snprintf(m_szPercent.data(), m_szPercent.size(), "%3d%% PROCESSING...", p);
            Notify(m_pJobView, TN_SET_MESSAGE, m_szPercent.data());
        }
        TransferBlock block;
        block.nBlock = m_nBlockNo;
        block.nLength = m_nRxDataLen;
        block.pData = &m_byRxBuf[kDataBodyOffset];
        Notify(m_pJobView, TN_BLOCK_RECEIVED, &block);
        m_bDataSeen = true;
        SendBlockAck(BLOCK_ACK_OK);
        m_nRetry = 0;
    } else {
        SendBlockAck(BLOCK_ACK_BAD);
    }
    ArmWait(TIMER_DATA_WAIT, kDataWaitMs);
    m_nSendStep = SS_WAIT_DATA;
    m_nRxState = RX_WAIT_START;
}

void TransferEngine::OnEndFrame() {
    TraceFrame(kEndBody);
    const bool intact = CheckShortFrame(m_byRxBuf.data(), kEndBody);
    if (intact && !IsUploadRequest(static_cast<std::uint8_t>(m_nReqCode))) {
        // Only an upload ends with the remote's end frame; in a download it would end the exchange
        // as a success with blocks unsent. Dropped: the download's own timer goes on.
        m_nRxLen = 0;
        m_nRxState = RX_WAIT_START;
        return;
    }
    if (intact && m_nSendStep == SS_UPLOAD_CLOSED) {
        // The remote missed the final acknowledgement and repeats its end frame: it gets the
        // acknowledgement again, while the page, whose file is settled, hears nothing.
        Write(m_byTxBuf.data(), BuildFinalAck(m_byTxBuf.data()));
        m_nRxLen = 0;
        m_nRxState = RX_WAIT_START;
        return;
    }
    m_timers.Disarm(TIMER_DATA_WAIT);
    if (intact) {
        const long verdict = Notify(m_pJobView, TN_VERIFY_RECEIVED);
        m_nSendStep = verdict == 0 ? SS_UPLOAD_OK : SS_UPLOAD_CORRUPT;
        m_bPageReportsCorrupt = verdict == kVerifyFailedReported;
    } else {
        m_nSendStep = SS_SEND_NAK;
    }
    m_nRxLen = 0;
}

void TransferEngine::OnBlockAckFrame() {
    TraceFrame(kBlockAckBody);
    m_timers.Disarm(TIMER_BLOCK_ACK);
    if (!CheckBlockAck(m_byRxBuf.data(), kBlockAckBody)) {
        m_nSendStep = SS_SEND_NAK;
        return;
    }
    if (m_nSendStep != SS_WAIT_BLOCK_ACK) {
        // Not awaited: drop it and look for the next frame (no timer may be running to do it).
        m_nRxState = RX_WAIT_START;
        return;
    }
    const int b = ReadBe16(&m_byRxBuf[1]);
    if (m_byRxBuf[3] != BLOCK_ACK_OK) {
        m_bResend = 1;
        m_nSendStep = SS_RESEND_BLOCK;
        return;
    }
    if (b > m_nBlockNo) {
        m_nSendStep = SS_SEND_NAK;
        return;
    }
    // The remote names the last block it holds; continue with the one after it.
    m_nRemainBlocks += m_nBlockNo - b - 1;
    m_nBlockNo = b + 1;
    m_bResend = 0;
    if (m_nRemainBlocks < 0) {
        m_nSendStep = SS_SEND_END;
        m_nRetry = 0;
    } else {
        m_nSendStep = SS_SEND_BLOCK;
    }
}

void TransferEngine::StoreHead(const std::uint8_t* body) {
    if (m_pJobView == nullptr)
        return;
    const HeadInfo h = ParseHead(body);
    TransferJob& job = m_pJobView->m_job;
    job.m_nBlockCount = h.blockCount;
    job.m_nProgressBlocks = h.blockCount != 0 ? h.blockCount : 1;
    job.m_wChecksum = h.checksum;
    if (h.kind == HK_ONEDEV) {
        job.m_dwDevParam1 = h.value1;
        job.m_dwDevParam2 = h.value2;
        job.m_dwHeadParam1 = job.m_dwDevParam1;
        job.m_dwHeadParam2 = job.m_dwDevParam1 + job.m_dwDevParam2;
    } else {
        job.m_dwHeadParam1 = h.value1;
        job.m_dwHeadParam2 = h.value2;
    }
    job.m_dwHeadParam3 = h.value3;
    job.m_szHeadName = h.names;
}

void TransferEngine::OnHeadFrame() {
    TraceFrame(kHeadBody);
    m_timers.Disarm(TIMER_HEAD_REPLY);
    if (!CheckHead(m_byRxBuf.data(), kHeadBody)) {
        m_nSendStep = SS_SEND_NAK;
        return;
    }
    if (!IsHeadKind(m_byRxBuf[1]) || m_bDataSeen) {
        // Not a head this program knows, or a stale repeat after the upload's data began
        // (storing it would make the page start its file again): drop it and look for the next
        // frame.
        m_nRxState = RX_WAIT_START;
        return;
    }
    StoreHead(m_byRxBuf.data());
    Notify(m_pJobView, TN_PROGRESS_RANGE);
    Notify(m_pJobView, TN_PROGRESS_POS, 0);
    Notify(m_pJobView, TN_HEAD_RECEIVED);
    m_nSendStep = SS_SEND_START;
}

void TransferEngine::OnFinalAckFrame() {
    TraceFrame(kFinalAckBody);
    if (!CheckShortFrame(m_byRxBuf.data(), kFinalAckBody)) {
        m_nSendStep = SS_SEND_NAK;
        return;
    }
    if (m_nSendStep == SS_WAIT_FINAL_ACK) {
        // The parser stays put until the reset a second after the end frame.
        m_nSendStep = SS_IDLE;
        m_nRetry = 0;
    } else {
        m_nRxState = RX_WAIT_START;
    }
}

// ---------------------------------------------------------------------------------------------
// Send steps

void TransferEngine::RunSendStep() {
    switch (m_nSendStep) {
        case SS_SEND_HEAD:
            SendHead();
            break;
        case SS_REFUSE:
            Write(m_byTxBuf.data(), BuildReply(m_byTxBuf.data(), false));
            m_nRetry = 0;
            m_nSendStep = SS_IDLE;
            m_nRxState = RX_WAIT_START;
            break;
        case SS_REQUEST_DAMAGED:
            Write(m_byTxBuf.data(), BuildReply(m_byTxBuf.data(), true));
            m_nRetry = 0;
            m_nSendStep = SS_WAIT_REQUEST;
            m_nRxState = RX_WAIT_START;
            break;
        case SS_SEND_BLOCK:
            SendBlock(true);
            break;
        case SS_RESEND_BLOCK:
            SendBlock(false);
            break;
        case SS_SEND_NAK:
            Write(m_byTxBuf.data(), BuildNak(m_byTxBuf.data()));
            ++m_nRetry;
            Notify(m_pJobView, TN_SET_MESSAGE, kTextNak);
            m_nRxState = RX_WAIT_START;
            if (m_nRetry > kStepRetryLimit) {
                GiveUp();
                break;
            }
            // The remote is expected to repeat its frame; if it does not, the timer of the wait
            // the damaged frame arrived in re-sends and finally times out.
            KeepWaitBounded();
            m_nSendStep = SS_WAIT_BLOCK_ACK;
            break;
        case SS_SEND_END:
            m_nWaitTimer = 0;
            m_timers.Disarm(TIMER_TIMEOUT);
            Write(m_byTxBuf.data(), BuildEnd(m_byTxBuf.data()));
            Notify(m_pJobView, TN_SET_MESSAGE, kTextEnd);
            Notify(m_pJobView, TN_TRANSFER_END);
            m_timers.Arm(TIMER_RESET, kResetAfterDownloadMs);
            m_nSendStep = SS_WAIT_FINAL_ACK;
            m_nRxState = RX_WAIT_START;
            break;
        case SS_SEND_HEAD_REQUEST:
            Notify(m_pJobView, TN_SET_MESSAGE, kTextHeadRequest);
            RecordForResend(BuildRequest(m_byTxBuf.data(), static_cast<std::uint8_t>(m_nReqCode)));
            Resend();
            m_nRetry = 0;
            ArmWait(TIMER_HEAD_REPLY, kHeadRequestReplyMs);
            m_nSendStep = SS_WAIT_HEAD;
            m_nRxState = RX_WAIT_START;
            break;
        case SS_SEND_START:
            Notify(m_pJobView, TN_SET_MESSAGE, kTextStart);
            RecordForResend(BuildStart(m_byTxBuf.data()));
            Resend();
            m_nRetry = 0;
            m_nBlockNo = -1;
            ArmWait(TIMER_DATA_WAIT, kFirstDataWaitMs);
            m_nSendStep = SS_WAIT_DATA;
            m_nRxState = RX_WAIT_START;
            break;
        case SS_UPLOAD_OK:
        case SS_UPLOAD_CORRUPT: {
            const bool ok = m_nSendStep == SS_UPLOAD_OK;
            m_nWaitTimer = 0;
            m_timers.Disarm(TIMER_TIMEOUT);
            Write(m_byTxBuf.data(), BuildFinalAck(m_byTxBuf.data()));
            m_timers.Arm(TIMER_RESET, kResetAfterUploadMs);
            Notify(m_pJobView, TN_SET_MESSAGE, kTextEnd);
            if (ok)
                Notify(m_pJobView, TN_RECEIVE_COMPLETE);
            Notify(m_pJobView, TN_TRANSFER_END);
            m_nSendStep = SS_UPLOAD_CLOSED;
            m_nRxState = RX_WAIT_START;
            // The box holds the engine: calls that come while it is open are held.
            if (!ok && !m_bPageReportsCorrupt)
                m_alert.ShowModal(kTextCorrupted);
            break;
        }
        default:
            break;  // waiting steps
    }
}

void TransferEngine::SendBlockAck(std::uint8_t code) {
    RecordForResend(BuildBlockAck(m_byTxBuf.data(), static_cast<std::uint16_t>(m_nBlockNo), code));
    Resend();
}

void TransferEngine::RecordForResend(std::size_t length) {
    std::memcpy(m_byResendBuf.data(), m_byTxBuf.data(), length);
    m_nTxLen = static_cast<int>(length);
}

void TransferEngine::Resend() {
    if (m_nTxLen > 0)
        Write(m_byResendBuf.data(), static_cast<std::size_t>(m_nTxLen));
}

void TransferEngine::SendHead() {
    Notify(m_pJobView, TN_SET_MESSAGE, kTextHeadSend);
    RecordForResend(m_snapshot.BuildHeadFrame(m_byTxBuf.data(), m_nReqCode));
    Resend();
    m_nRetry = 0;
    ArmWait(TIMER_HEAD_REPLY, kHeadReplyMs);
    m_nSendStep = SS_WAIT_START;
    m_nRxState = RX_WAIT_START;
}

void TransferEngine::SendBlock(bool firstSending) {
    if (firstSending) {
        m_nBlockOffset = m_nBlockNo * kBlockSize;
        m_bResend = 0;
        m_nRetry = 0;
        m_nStagedBlock = -1;
    }
    if (m_bResend != 0 && ++m_nRetry > kStepRetryLimit) {
        GiveUp();
        return;
    }
    // A re-send after a new request or a stray data frame must still carry the bytes of the
    // block number it names; no data of the accepted download cover it: nothing is sent.
    if (m_nStagedBlock != m_nBlockNo) {
        const int len = m_snapshot.Stage(m_nBlockNo, m_byBlockBuf.data());
        if (len < 0) {
            GiveUp();
            return;
        }
        m_nStagedBlock = m_nBlockNo;
        m_nStagedLen = len;
    }
    const std::size_t n = BuildData(m_byTxBuf.data(), static_cast<std::uint16_t>(m_nBlockNo),
                                    m_byBlockBuf.data(), static_cast<std::size_t>(m_nStagedLen));
    Write(m_byTxBuf.data(), n);
    ArmWait(TIMER_BLOCK_ACK, m_nBlockNo == 0 ? kFirstBlockAckMs : kBlockAckMs);
    ReportDownloadProgress();
    m_nSendStep = SS_WAIT_BLOCK_ACK;
    m_nRxState = RX_WAIT_START;
}

void TransferEngine::ReportDownloadProgress() {
    const int count = m_snapshot.BlockCount() > 0 ? m_snapshot.BlockCount() : 1;
    const int p = 100 - static_cast<int>(static_cast<std::int64_t>(m_nRemainBlocks) * 100 / count);
    if (p == m_nLastPercent)
        return;
    m_nLastPercent = p;
    Notify(m_pJobView, TN_PROGRESS_POS, p);
    if (m_snapshot.IsLast(m_nStagedBlock)) {
        Notify(m_pJobView, TN_SET_MESSAGE, kTextCompleted);
    } else {
        std::snprintf(m_szPercent.data(), m_szPercent.size(), "%3d%% PROCESSING...", p);
        Notify(m_pJobView, TN_SET_MESSAGE, m_szPercent.data());
    }
}

// Ends the exchange as a timeout does: nothing more is sent for it (its reply timers stop and the
// engine is idle, so a late frame of the remote starts nothing), "Communication Timeout!" follows
// after 100 ms and the reset two seconds later.
void TransferEngine::GiveUp() {
    m_timers.Disarm(TIMER_HEAD_REPLY);
    m_timers.Disarm(TIMER_BLOCK_ACK);
    m_timers.Disarm(TIMER_DATA_WAIT);
    m_nWaitTimer = 0;
    m_bResend = 0;
    m_nRetry = 0;
    m_nSendStep = SS_IDLE;
    m_nRxState = RX_WAIT_START;
    m_timers.Arm(TIMER_TIMEOUT, kGiveUpTimeoutMs);
}

// ---------------------------------------------------------------------------------------------
// Timers and waits

void TransferEngine::ArmWait(int id, int periodMs) {
    m_timers.Arm(id, periodMs);
    m_nWaitTimer = id;
    m_nWaitMs = periodMs;
}

void TransferEngine::KeepWaitBounded() {
    if (m_nWaitTimer != 0 && !m_timers.IsArmed(m_nWaitTimer))
        m_timers.Arm(m_nWaitTimer, m_nWaitMs);
}

// A frame can stop the timer of its wait without a new wait beginning (an acknowledgement that
// arrives after a damaged request left the engine waiting for the request again); the exchange
// then times out like a request whose last bytes never come.
void TransferEngine::KeepExchangeBounded() {
    if (!m_bExchangeOpen)
        return;
    for (const int id :
         {TIMER_TIMEOUT, TIMER_HEAD_REPLY, TIMER_BLOCK_ACK, TIMER_DATA_WAIT, TIMER_RESET})
        if (m_timers.IsArmed(id))
            return;
    m_timers.Arm(TIMER_TIMEOUT, kRequestTimeoutMs);
}

// A reply timer counts its expiry; past the limit the wait ends in "Communication Timeout!" 100 ms
// later, and a negative acknowledgement after that no longer brings the timer back.
bool TransferEngine::TimerGivesUp() {
    if (++m_nRetry <= kTimerRetryLimit)
        return false;
    m_nRetry = 0;
    m_nWaitTimer = 0;
    m_timers.Arm(TIMER_TIMEOUT, kGiveUpTimeoutMs);
    return true;
}

void TransferEngine::HandleTimer(int id) {
    m_timers.Disarm(id);
    switch (id) {
        case TIMER_INIT_VIEW:
            m_pJobView = m_pages.ShowingPage();
            break;
        case TIMER_TIMEOUT:
            Notify(m_pJobView, TN_SET_MESSAGE, kTextTimeout);
            m_timers.Arm(TIMER_RESET, kResetAfterTimeoutMs);
            break;
        case TIMER_HEAD_REPLY:
            if (TimerGivesUp())
                break;
            Resend();
            ArmWait(TIMER_HEAD_REPLY, kHeadReplyMs);
            break;
        case TIMER_BLOCK_ACK:
            if (TimerGivesUp())
                break;
            m_bResend = 1;
            m_nSendStep = SS_RESEND_BLOCK;
            RunSendStep();
            break;
        case TIMER_DATA_WAIT:
            if (TimerGivesUp())
                break;
            if (m_nBlockNo < 0) {
                Resend();  // the start frame
            } else {
                SendBlockAck(BLOCK_ACK_BAD);
            }
            ArmWait(TIMER_DATA_WAIT, kDataWaitMs);
            m_nSendStep = SS_WAIT_DATA;
            m_nRxState = RX_WAIT_START;
            break;
        case TIMER_FRAME_TYPE:
            m_nSendStep = SS_IDLE;
            m_nRxLen = 0;
            m_nRxState = RX_WAIT_START;
            break;
        case TIMER_ENGINE_FRAME:
            if (m_nRxState != RX_WAIT_START && m_nRxState != RX_WAIT_TYPE) {
                m_nRxLen = 0;
                m_nRxState = RX_WAIT_START;
            }
            break;
        case TIMER_RESET:
            m_nRxState = RX_WAIT_START;
            m_nSendStep = SS_IDLE;
            m_nRxLen = 0;
            m_nRemainBlocks = m_pJobView != nullptr ? m_pJobView->m_job.m_nBlocksLeft : 0;
            m_snapshot.Release();
            m_bDataSeen = false;
            m_nWaitTimer = 0;
            m_bExchangeOpen = false;
            Notify(m_pJobView, TN_TRANSFER_END);
            Notify(m_pJobView, TN_PROGRESS_POS, 0);
            Notify(m_pJobView, TN_SET_MESSAGE, kTextWaiting);
            break;
        default:
            break;
    }
}

}  // namespace vanto

#include "tools/recording_page.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "tools/virtual_time.h"

namespace vanto {

RecordingPage::RecordingPage(int functionIndex, const VirtualClock* clock)
    : m_index(functionIndex), m_clock(clock) {}

long RecordingPage::OnTransferNotify(int code, const NotifyParam& lParam) {
    Notification n;
    n.atMs = m_clock != nullptr ? m_clock->NowMs() : 0;
    n.code = code;
    switch (code) {
        case TN_SET_MESSAGE:
            m_lastMessage = lParam.Text() != nullptr ? lParam.Text() : "";
            break;
        case TN_PROGRESS_POS:
            m_lastPercent = lParam.Value();
            break;
        case TN_HEAD_RECEIVED:
            m_received.clear();
            m_blocksReceived = 0;
            break;
        case TN_BLOCK_RECEIVED: {
            const TransferBlock* b = lParam.Block();
            if (b == nullptr)
                break;
            const std::size_t offset = static_cast<std::size_t>(b->nBlock) * kBlockSize;
            const std::size_t end = offset + static_cast<std::size_t>(b->nLength);
            if (!keepBlocks) {
                ++m_blocksReceived;
                break;
            }
            if (m_received.size() < end)
                m_received.resize(end);
            if (b->nLength > 0)
                std::memcpy(m_received.data() + offset, b->pData,
                            static_cast<std::size_t>(b->nLength));
            ++m_blocksReceived;
            n.block = b->nBlock;
            n.length = b->nLength;
            break;
        }
        case TN_RECEIVE_COMPLETE:
            ++m_receiveCompletes;
            break;
        case TN_TRANSFER_END:
            ++m_transferEnds;
            break;
        case TN_RELOAD_FILE:
            if (onReload)
                onReload(*this);
            break;
        default:
            break;
    }
    if (record) {
        if (code == TN_SET_MESSAGE)
            n.text = m_lastMessage;
        if (code == TN_PROGRESS_POS)
            n.value = lParam.Value();
        m_notes.push_back(std::move(n));
    }
    if (onNotify)
        onNotify(*this, code, lParam);
    return code == TN_VERIFY_RECEIVED ? verifyAnswer : 0;
}

void RecordingPage::LoadDownload(ByteBuffer data) {
    const auto size = static_cast<std::int32_t>(data.size());
    m_job.m_wChecksum = XorWordChecksum(data.data(), data.size());
    m_job.m_pData = std::make_shared<const ByteBuffer>(std::move(data));
    m_job.SetDownloadSize(size);
    m_job.m_bFileReady = 1;
}

std::vector<std::string> RecordingPage::Messages() const {
    std::vector<std::string> out;
    for (const auto& n : m_notes)
        if (n.code == TN_SET_MESSAGE)
            out.push_back(n.text);
    return out;
}

int RecordingPage::Count(int code) const {
    return static_cast<int>(std::count_if(
        m_notes.begin(), m_notes.end(), [code](const Notification& n) { return n.code == code; }));
}

RecordingPageRegistry::RecordingPageRegistry(const VirtualClock* clock) {
    for (int i = 0; i < FUNC_COUNT; ++i)
        m_pages.push_back(std::make_unique<RecordingPage>(i, clock));
}

TransferPage* RecordingPageRegistry::Page(int index) {
    if (index < 0 || index >= FUNC_COUNT)
        return nullptr;
    return m_pages[static_cast<std::size_t>(index)].get();
}

}  // namespace vanto

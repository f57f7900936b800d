#pragma once
// Stand-in function pages for exchange tests: each records every notification with its virtual
// time, keeps the blocks an upload delivers at their file offsets, and answers the engine the
// way a page would (a reload hook, a verify answer).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "protocol/engine_ports.h"
#include "protocol/transfer_notify.h"

namespace vanto {

class VirtualClock;

struct Notification {
    std::int64_t atMs = 0;
    int code = 0;
    int value = 0;     // TN_PROGRESS_POS percentage; 0 otherwise
    std::string text;  // TN_SET_MESSAGE
    int block = -1;    // TN_BLOCK_RECEIVED
    int length = 0;
};

class RecordingPage : public TransferPage {
public:
    RecordingPage(int functionIndex, const VirtualClock* clock);

    int FunctionIndex() const override { return m_index; }
    long OnTransferNotify(int code, const NotifyParam& lParam) override;

    // Fills the download job from `data` (block arithmetic, checksum, ready).
    void LoadDownload(ByteBuffer data);
    // Upload page with an output "file" that can be written.
    void MakeUploadReady() { m_job.m_bFileReady = 1; }

    // Behaviour.
    std::function<void(RecordingPage&)> onReload;                           // TN_RELOAD_FILE
    std::function<void(RecordingPage&, int, const NotifyParam&)> onNotify;  // after recording
    long verifyAnswer = 0;
    bool record = true;
    bool keepBlocks = true;  // store TN_BLOCK_RECEIVED data in Received()
    void ReserveReceive(std::size_t bytes) { m_received.reserve(bytes); }

    // What arrived.
    const std::vector<Notification>& Notes() const { return m_notes; }
    void ClearNotes() { m_notes.clear(); }
    std::vector<std::string> Messages() const;
    int Count(int code) const;
    // Upload: the "file" body built from TN_BLOCK_RECEIVED (block n at n * 2048), cleared by
    // TN_HEAD_RECEIVED.
    const ByteBuffer& Received() const { return m_received; }
    int BlocksReceived() const { return m_blocksReceived; }
    int ReceiveCompletes() const { return m_receiveCompletes; }
    int TransferEnds() const { return m_transferEnds; }
    int LastPercent() const { return m_lastPercent; }
    std::string LastMessage() const { return m_lastMessage; }

private:
    int m_index;
    const VirtualClock* m_clock;
    std::vector<Notification> m_notes;
    ByteBuffer m_received;
    int m_blocksReceived = 0;
    int m_receiveCompletes = 0;
    int m_transferEnds = 0;
    int m_lastPercent = 0;
    std::string m_lastMessage;
};

// The six recording pages by function index and the one that is showing.
class RecordingPageRegistry : public PageRegistry {
public:
    explicit RecordingPageRegistry(const VirtualClock* clock);
    TransferPage* Page(int index) override;
    TransferPage* ShowingPage() override { return m_showing; }
    RecordingPage& At(int index) { return *m_pages.at(static_cast<std::size_t>(index)); }
    void Show(int index) { m_showing = Page(index); }
    void ShowPage(TransferPage* page) { m_showing = page; }

private:
    std::vector<std::unique_ptr<RecordingPage>> m_pages;
    TransferPage* m_showing = nullptr;
};

// The modal box: records its texts; a hook runs while it is "open" (a nested event loop).
class RecordingAlert : public ModalAlert {
public:
    void ShowModal(const std::string& text) override {
        m_texts.push_back(text);
        if (whileOpen)
            whileOpen();
    }
    const std::vector<std::string>& Texts() const { return m_texts; }
    std::function<void()> whileOpen;

private:
    std::vector<std::string> m_texts;
};

}  // namespace vanto

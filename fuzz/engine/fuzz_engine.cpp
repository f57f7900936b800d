// Drives the transfer engine with arbitrary received bytes, timer expiries (due or spurious),
// passing time, page changes and well-formed frames, all decoded from the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "protocol/frames.h"
#include "protocol/transfer_engine.h"
#include "tools/recording_page.h"
#include "tools/virtual_time.h"

namespace {

using namespace vanto;

class Input {
public:
    Input(const std::uint8_t* d, std::size_t n) : m_d(d), m_n(n) {}
    bool Empty() const { return m_pos >= m_n; }
    std::uint8_t Byte() { return m_pos < m_n ? m_d[m_pos++] : 0; }
    std::uint16_t Word() { return static_cast<std::uint16_t>((Byte() << 8) | Byte()); }
    const std::uint8_t* Take(std::size_t& n) {
        if (n > m_n - m_pos)
            n = m_n - m_pos;
        const std::uint8_t* p = m_d + m_pos;
        m_pos += n;
        return p;
    }

private:
    const std::uint8_t* m_d;
    std::size_t m_n;
    std::size_t m_pos = 0;
};

class CheckingWriter : public FrameWriter {
public:
    void WriteFrame(const std::uint8_t* frame, std::size_t n) override {
        if (n == 0 || n > TransferEngine::kTxBufSize)
            std::abort();
        m_sum ^= frame[0] ^ frame[n - 1];  // touch both ends
    }
    std::uint8_t m_sum = 0;
};

class ForeignPage : public TransferPage {
public:
    int FunctionIndex() const override { return 42; }
    long OnTransferNotify(int, const NotifyParam&) override { return 0; }
};

class ReentrantAlert : public ModalAlert {
public:
    void ShowModal(const std::string&) override {
        if (engine != nullptr) {
            const std::uint8_t req[] = {0x0F, '1', 'Q', 0x0E, 0x6E};
            engine->OnBytes(req, sizeof req);
            engine->OnTimer(TransferEngine::TIMER_RESET);
        }
    }
    TransferEngine* engine = nullptr;
};

const int kTimers[] = {TransferEngine::TIMER_INIT_VIEW,
                       TransferEngine::TIMER_DEVICE_POLL,
                       TransferEngine::TIMER_TIMEOUT,
                       TransferEngine::TIMER_HEAD_REPLY,
                       TransferEngine::TIMER_BLOCK_ACK,
                       TransferEngine::TIMER_DATA_WAIT,
                       TransferEngine::TIMER_FRAME_TYPE,
                       TransferEngine::TIMER_RESET,
                       TransferEngine::TIMER_ENGINE_PAUSE,
                       TransferEngine::TIMER_ENGINE_FRAME,
                       7,
                       -1};

ByteBuffer Data(std::size_t n, std::uint8_t seed) {
    ByteBuffer b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 31);
    return b;
}

void Mutate(RecordingPageRegistry& pages, ForeignPage& foreign, Input& in) {
    const std::uint8_t what = in.Byte();
    RecordingPage& page = pages.At(what % FUNC_COUNT);
    switch ((what >> 3) % 8) {
        case 0:
            page.LoadDownload(Data(in.Word() % 20000u, what));
            break;
        case 1:
            page.m_job.m_bFileReady = in.Byte();
            break;
        case 2:
            page.m_job.m_nDataMode = in.Byte() % 3;
            break;
        case 3:  // fields that do not describe the buffer
            page.m_job.m_nBlockCount = static_cast<std::int16_t>(in.Word());
            page.m_job.m_nBlocksLeft = static_cast<std::int16_t>(in.Word());
            page.m_job.m_nLastBlockSize = static_cast<std::int16_t>(in.Word());
            break;
        case 4:
            page.m_job.m_pData.reset();
            break;
        case 5:
            pages.ShowPage(nullptr);
            break;
        case 6:
            pages.ShowPage(&foreign);
            break;
        default:
            pages.Show(what % FUNC_COUNT);
            break;
    }
}

void SendFrame(TransferEngine& engine, Input& in) {
    std::uint8_t f[kMaxDataFrameLen];
    std::size_t n = 0;
    const std::uint8_t kind = in.Byte();
    switch (kind % 8) {
        case 0:
            n = BuildRequest(f, in.Byte());
            break;
        case 1:
            n = BuildStart(f);
            break;
        case 2:
            n = BuildBlockAck(f, in.Word(), in.Byte() & 1 ? BLOCK_ACK_OK : in.Byte());
            break;
        case 3:
            n = BuildEnd(f);
            break;
        case 4:
            n = BuildFinalAck(f);
            break;
        case 5: {
            HeadInfo h;
            h.kind = static_cast<std::uint8_t>('?' + in.Byte() % 4);
            h.blockCount = in.Word();
            h.value1 = in.Word();
            n = BuildHead(f, h);
            break;
        }
        default: {
            std::size_t len = in.Byte() * 8u;
            const ByteBuffer d = Data(len, kind);
            n = BuildData(f, in.Word(), d.data(), len);
            break;
        }
    }
    if (in.Byte() & 0x80)
        f[in.Byte() % n] ^= in.Byte();  // sometimes damaged
    engine.OnBytes(f, n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    VirtualClock clock;
    VirtualTimerHost timers(clock);
    RecordingPageRegistry pages(&clock);
    for (int i = 0; i < FUNC_COUNT; ++i) {
        pages.At(i).record = false;
        pages.At(i).keepBlocks = false;
    }
    ForeignPage foreign;
    CheckingWriter writer;
    ReentrantAlert alert;
    TransferEngine engine(writer, timers, pages, alert);
    timers.SetExpiry([&](int id) { engine.OnTimer(id); });
    alert.engine = &engine;

    pages.At(FUNC_APP_DOWNLOAD).LoadDownload(Data(5000, 1));
    pages.At(FUNC_DB_DOWNLOAD).LoadDownload(Data(4096, 2));
    pages.At(FUNC_USERDATA_UPLOAD).MakeUploadReady();
    pages.At(FUNC_ICON_UPLOAD).MakeUploadReady();
    pages.At(FUNC_USERDATA_UPLOAD).verifyAnswer = 1;
    pages.Show(in.Byte() % FUNC_COUNT);
    timers.Arm(TransferEngine::TIMER_INIT_VIEW, 100);

    while (!in.Empty()) {
        const std::uint8_t op = in.Byte();
        if (op < 0xA0) {
            std::size_t n = op % 64 + 1;
            const std::uint8_t* bytes = in.Take(n);
            engine.OnBytes(bytes, n);
        } else if (op < 0xC0) {
            engine.OnTimer(kTimers[op % std::size(kTimers)]);  // spurious or early expiry
        } else if (op < 0xD8) {
            clock.Advance((op - 0xC0) * 250);
        } else if (op < 0xE8) {
            Mutate(pages, foreign, in);
        } else {
            SendFrame(engine, in);
        }
    }
    clock.RunUntilIdle(120000);
    return 0;
}

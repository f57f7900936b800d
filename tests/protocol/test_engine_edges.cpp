// Requests that are damaged, unknown, for another page or not ready; acknowledgements out of
// order; stray bytes; restarts; head kinds; damaged upload data; the accepted data of a download.
#include <gtest/gtest.h>

#include "exchange_test_support.h"

namespace vanto {
namespace {

using namespace vanto::testing;
using E = TransferEngine;

// The remote's side written by hand: bytes go on the link, the PC's frames are read back.
class Script : public ::testing::Test {
protected:
    Script() { h.Advance(200); }

    void Send(const std::string& hex) { Send(FromHex(hex)); }
    void Send(const ByteBuffer& bytes) {
        h.SendFromRemote(bytes);
        h.Advance(150);  // past the link latency and the engine's pause
    }
    void Request(char code) {
        std::uint8_t f[5];
        BuildRequest(f, static_cast<std::uint8_t>(code));
        Send(ByteBuffer(f, f + 5));
    }
    // PC frames written since the last call.
    std::vector<ByteBuffer> NewPcFrames() {
        std::vector<ByteBuffer> out;
        const auto all = h.FramesFrom(Side::kPc);
        for (std::size_t i = m_seen; i < all.size(); ++i)
            out.push_back(all[i].bytes);
        m_seen = all.size();
        return out;
    }
    void ExpectPc(const std::vector<std::string>& hex, const std::string& what) {
        const auto got = NewPcFrames();
        ASSERT_EQ(got.size(), hex.size()) << what;
        for (std::size_t i = 0; i < hex.size(); ++i) {
            const std::string d = HexDiff(FromHex(hex[i]), got[i]);
            EXPECT_TRUE(d.empty()) << what << " frame " << i << ": " << d;
        }
    }
    // Starts a download of `blocks` full blocks plus `tail` bytes on the database page and
    // brings it to the point where block `upTo` was just sent.
    ByteBuffer DownloadUpTo(int fullBlocks, int tail, int upTo) {
        ByteBuffer data = Pattern(
            static_cast<std::size_t>(fullBlocks) * 2048 + static_cast<std::size_t>(tail), 9);
        h.Page(FUNC_DB_DOWNLOAD).LoadDownload(data);
        h.Show(FUNC_DB_DOWNLOAD);
        Request('P');
        Send("0F 33 0E 3D");
        for (int b = 0; b < upTo; ++b)
            Send(AckFrame(b));
        NewPcFrames();
        return data;
    }

    EngineHarness h;
    std::size_t m_seen = 0;
};

constexpr const char* kRefuse = "0F 36 30 30 30 30 0E 38";
constexpr const char* kDamaged = "0F 36 31 31 31 31 0E 38";

TEST_F(Script, DamagedRequestGetsOnesAndTheRepeatIsServed) {
    h.Page(FUNC_DB_DOWNLOAD).LoadDownload(Pattern(10, 1));
    h.Show(FUNC_DB_DOWNLOAD);
    Send("0F 31 50 0E 6E");
    ExpectPc({kDamaged}, "damaged request");
    EXPECT_EQ(h.Inspect().SendStep(), E::SS_WAIT_REQUEST);
    EXPECT_TRUE(h.Page(FUNC_DB_DOWNLOAD).Notes().empty());
    Request('P');
    EXPECT_EQ(h.Page(FUNC_DB_DOWNLOAD).Messages().front(), "Communication started...");
    EXPECT_EQ(NewPcFrames().size(), 1u);  // the short head
}

struct RefusalCase {
    const char* name;
    char code;
    int showing;
    int mode;
    bool ready;
    const char* message;  // to the showing page, "" for none
    bool reloads;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class Refusal : public Script, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, RepliesZerosWithItsText) {
    const RefusalCase& c = GetParam();
    RecordingPage& page = h.Page(c.showing);
    page.m_job.m_nDataMode = c.mode;
    if (c.ready) {
        page.LoadDownload(Pattern(10, 2));
    }
    int reloads = 0;
    page.onReload = [&](RecordingPage& p) {
        ++reloads;
        p.m_job.m_bFileReady = c.ready ? 1 : 0;
    };
    h.Show(c.showing);
    Request(c.code);
    ExpectPc({kRefuse}, c.name);
    const auto msgs = page.Messages();
    if (c.message[0] == '\0') {
        EXPECT_TRUE(msgs.empty()) << c.name;
    } else {
        ASSERT_EQ(msgs.size(), 1u) << c.name;
        EXPECT_EQ(msgs[0], c.message);
    }
    EXPECT_EQ(reloads, c.reloads ? 1 : 0) << c.name;
    EXPECT_EQ(h.Inspect().SendStep(), E::SS_IDLE);
}

const RefusalCase kRefusals[] = {
    {"UnknownCode", 'X', FUNC_DB_DOWNLOAD, 0, true, "", false},
    {"CodeBelowTable", 'O', FUNC_DB_DOWNLOAD, 0, true, "", false},
    {"CodeAboveTable", 'W', FUNC_DB_DOWNLOAD, 0, true, "", false},
    {"OtherPage", 'P', FUNC_APP_DOWNLOAD, 0, true, "Invalid Request!", false},
    {"RestoreInOneDeviceMode", 'R', FUNC_USERDATA_DOWNLOAD, 1, true, "Invalid Request!", false},
    {"OneDeviceInWholeMode", 'T', FUNC_USERDATA_DOWNLOAD, 0, true, "Invalid Request!", false},
    {"BackupInOneDeviceMode", 'Q', FUNC_USERDATA_UPLOAD, 1, true, "Invalid Request!", false},
    {"UploadWithoutOutputFile", 'Q', FUNC_USERDATA_UPLOAD, 0, false, "The file is not ready!",
     false},
    {"DownloadFailingItsReload", 'V', FUNC_ICON_DOWNLOAD, 0, false, "The file is not ready!", true},
};

INSTANTIATE_TEST_SUITE_P(Requests, Refusal, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<RefusalCase>& i) {
                             return std::string(i.param.name);
                         });

TEST_F(Script, InconsistentJobIsNotSent) {
    RecordingPage& page = h.Page(FUNC_DB_DOWNLOAD);
    page.LoadDownload(Pattern(100, 3));
    page.m_job.SetDownloadSize(5000);  // fields claim more bytes than the buffer holds
    h.Show(FUNC_DB_DOWNLOAD);
    Request('P');
    ExpectPc({kRefuse}, "inconsistent job");
    EXPECT_EQ(page.Messages().back(), "The file is not ready!");
}

TEST_F(Script, NoShowingPageOrAForeignOneIsAnotherPage) {
    Request('P');  // nothing shows yet
    ExpectPc({kRefuse}, "no page");
    class Foreign : public TransferPage {
    public:
        int FunctionIndex() const override { return 9; }
        long OnTransferNotify(int, const NotifyParam&) override { return ++calls; }
        int calls = 0;
    } foreign;
    h.Pages().ShowPage(&foreign);
    Request('P');
    ExpectPc({kRefuse}, "foreign page");
    EXPECT_EQ(foreign.calls, 1);  // "Invalid Request!"
}

TEST_F(Script, AnyDigitIsTheApplicationRequestAndTheEndByteIsNotChecked) {
    h.Page(FUNC_APP_DOWNLOAD).LoadDownload(Pattern(3000, 4));
    h.Show(FUNC_APP_DOWNLOAD);
    Send("0F 31 35 77 73");  // '5', a wrong end byte, a right check byte
    EXPECT_EQ(h.Inspect().ReqCode(), '0');
    const auto f = NewPcFrames();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0][1], FT_HEAD_SHORT);
    EXPECT_EQ(f[0][3], 2);  // block count
}

TEST_F(Script, AckOfAnEarlierBlockGoesBack) {
    const ByteBuffer data = DownloadUpTo(10, 5, 5);  // block 5 is awaited
    const int remain = h.Inspect().RemainBlocks();
    Send(AckFrame(3));
    const auto f = NewPcFrames();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_TRUE(HexDiff(DataFrame(4, data.data() + 4 * 2048, 2048), f[0]).empty());
    EXPECT_EQ(h.Inspect().RemainBlocks(), remain + 1);
}

TEST_F(Script, AckOfALaterBlockGetsTheNegativeAcknowledgement) {
    DownloadUpTo(10, 5, 5);
    Send(AckFrame(6));
    ExpectPc({"0F 15 0E 1B"}, "ack of block 6");
    EXPECT_EQ(h.Page(FUNC_DB_DOWNLOAD).Messages().back(), "NAK Transfer...");
    EXPECT_EQ(h.Inspect().SendStep(), E::SS_WAIT_BLOCK_ACK);
}

TEST_F(Script, DoubledStartByteLosesTheAcknowledgement) {
    const ByteBuffer data = DownloadUpTo(6, 0, 3);
    ByteBuffer doubled = AckFrame(3);
    doubled.insert(doubled.begin(), FRAME_START);
    Send(doubled);
    ExpectPc({}, "0F 0F 37 ...");
    EXPECT_EQ(h.Inspect().SendStep(), E::SS_WAIT_BLOCK_ACK);
    EXPECT_EQ(h.Inspect().BlockNo(), 3);
    Send(AckFrame(3));
    const auto f = NewPcFrames();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_TRUE(HexDiff(DataFrame(4, data.data() + 4 * 2048, 2048), f[0]).empty());
}

TEST_F(Script, StrayStartByteIdlesTheEngineUntilTheBlockTimerResends) {
    const ByteBuffer data = DownloadUpTo(6, 0, 2);
    const std::int64_t sent = h.FramesFrom(Side::kPc).back().atMs;
    const std::int64_t strayAt = h.NowMs() + 1;
    Send("0F");
    EXPECT_EQ(h.Inspect().RxState(), E::RX_WAIT_TYPE);
    h.Advance(strayAt + 1000 - h.NowMs());
    EXPECT_EQ(h.Inspect().SendStep(), E::SS_IDLE);
    EXPECT_EQ(h.Inspect().RxState(), E::RX_WAIT_START);
    h.Advance(sent + 3000 - h.NowMs());
    const auto f = NewPcFrames();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_TRUE(HexDiff(DataFrame(2, data.data() + 2 * 2048, 2048), f[0]).empty());
    EXPECT_EQ(h.Inspect().SendStep(), E::SS_WAIT_BLOCK_ACK);
    Send(AckFrame(2));
    EXPECT_EQ(NewPcFrames().size(), 1u);  // block 3
}

TEST_F(Script, BlockTimerStillResendsTheStagedBlockAfterARefusedRequest) {
    const ByteBuffer data = DownloadUpTo(6, 0, 2);
    const std::int64_t sent = h.FramesFrom(Side::kPc).back().atMs;
    Request('X');
    ExpectPc({kRefuse}, "unknown request during a download");
    h.Advance(sent + 3000 - h.NowMs());
    const auto f = NewPcFrames();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_TRUE(HexDiff(DataFrame(2, data.data() + 2 * 2048, 2048), f[0]).empty());
    EXPECT_EQ(h.Inspect().SendStep(), E::SS_WAIT_BLOCK_ACK);
}

TEST_F(Script, IdleParserDropsAWrongTypeAndRestartsOnASecondStartByte) {
    h.Page(FUNC_DB_DOWNLOAD).LoadDownload(Pattern(10, 1));
    h.Show(FUNC_DB_DOWNLOAD);
    Send("0F 77 0F 31 50 0E 6F");
    EXPECT_EQ(NewPcFrames().size(), 1u);
    h.Advance(20000);
    NewPcFrames();
    Send("0F 0F 31 50 0E 6F");
    EXPECT_EQ(NewPcFrames().size(), 1u);
}

TEST_F(Script, NewRequestDuringAnExchangeStartsOver) {
    DownloadUpTo(6, 0, 3);
    h.Page(FUNC_DB_DOWNLOAD).ClearNotes();
    Request('P');
    const auto f = NewPcFrames();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0][1], FT_HEAD_SHORT);
    EXPECT_EQ(h.Inspect().SendStep(), E::SS_WAIT_START);
    EXPECT_EQ(h.Inspect().RemainBlocks(), 6);
    EXPECT_EQ(h.Page(FUNC_DB_DOWNLOAD).Messages().front(), "Communication started...");
    Send("0F 33 0E 3D");
    const auto b = NewPcFrames();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0][3], 0);  // block 0 again
}

ByteBuffer HeadFrame(std::uint8_t kind, std::uint16_t count, std::uint32_t v1, std::uint32_t v2) {
    HeadInfo head;
    head.kind = kind;
    head.blockCount = count;
    head.checksum = 0xBEEF;
    head.value1 = v1;
    head.value2 = v2;
    head.value3 = 3;
    head.names[2].fill(0xEE);
    ByteBuffer f(kHeadFrameLen);
    BuildHead(f.data(), head);
    return f;
}

class UploadScript : public Script {
protected:
    void Begin(char code, int mode) {
        RecordingPage& page = h.Page(FUNC_USERDATA_UPLOAD);
        page.MakeUploadReady();
        page.m_job.m_nDataMode = mode;
        h.Show(FUNC_USERDATA_UPLOAD);
        Request(code);
        NewPcFrames();
    }
    RecordingPage& Page() { return h.Page(FUNC_USERDATA_UPLOAD); }
};

TEST_F(UploadScript, OneDeviceHeadSumsItsValuesWithWrapAround) {
    Begin('S', 1);
    Send(HeadFrame(HK_ONEDEV, 4, 0xFFFFFFF0u, 32));
    ExpectPc({"0F 33 0E 3D"}, "start");
    const TransferJob& job = Page().m_job;
    EXPECT_EQ(job.m_dwDevParam1, 0xFFFFFFF0u);
    EXPECT_EQ(job.m_dwDevParam2, 32u);
    EXPECT_EQ(job.m_dwHeadParam1, 0xFFFFFFF0u);
    EXPECT_EQ(job.m_dwHeadParam2, 16u);
    EXPECT_EQ(job.m_dwHeadParam3, 3u);
    EXPECT_EQ(job.m_wChecksum, 0xBEEFu);
    EXPECT_EQ(job.m_szHeadName[2][15], 0xEE);
}

TEST_F(UploadScript, HeadOfUnknownKindIsDroppedAndTheNextFrameFound) {
    Begin('Q', 0);
    Send(HeadFrame('B', 4, 1, 2));
    ExpectPc({}, "unknown kind");
    EXPECT_EQ(h.Inspect().RxState(), E::RX_WAIT_START);
    EXPECT_EQ(Page().Count(TN_HEAD_RECEIVED), 0);
    Send(HeadFrame(HK_USERDATA, 4, 1, 2));
    ExpectPc({"0F 33 0E 3D"}, "start");
}

TEST_F(UploadScript, ZeroBlocksAnnouncedDivideByOne) {
    Begin('Q', 0);
    Send(HeadFrame(HK_USERDATA, 0, 1, 2));
    EXPECT_EQ(Page().m_job.m_nBlockCount, 0);
    EXPECT_EQ(Page().m_job.m_nProgressBlocks, 1);
}

TEST_F(UploadScript, DamagedDataFramesGetANegativeAckForTheirBlock) {
    Begin('Q', 0);
    Send(HeadFrame(HK_USERDATA, 10, 1, 2));
    const ByteBuffer block = Pattern(2048, 5);
    Send(DataFrame(0, block.data(), 2048));
    NewPcFrames();
    const int percent = Page().LastPercent();
    const int blocks = Page().BlocksReceived();
    struct Damage {
        const char* name;
        std::size_t offset;
    };
    for (const Damage d : {Damage{"separator", 8}, Damage{"checksum", 6}, Damage{"data", 100},
                           Damage{"check byte", 2059}}) {
        ByteBuffer f = DataFrame(7, block.data(), 2048);
        f[d.offset] ^= 0x40;
        if (std::string(d.name) == "separator")
            f[2059] ^= 0x40;  // keep the check byte right
        Send(f);
        ExpectPc({Hex(AckFrame(7, BLOCK_ACK_BAD))}, d.name);
        EXPECT_EQ(Page().BlocksReceived(), blocks) << d.name;
        EXPECT_EQ(Page().LastPercent(), percent) << d.name;
    }
}

TEST_F(UploadScript, CorruptVerdictShowsTheBoxAndHoldsTheEngineMeanwhile) {
    Begin('Q', 0);
    Page().verifyAnswer = 1;
    Send(HeadFrame(HK_USERDATA, 1, 1, 2));
    const ByteBuffer block = Pattern(10, 6);
    Send(DataFrame(0, block.data(), 10));
    NewPcFrames();
    std::size_t framesWhileOpen = 0;
    h.Alert().whileOpen = [&] {
        // The box's event loop delivers a new request and the timers keep ticking.
        std::uint8_t req[5];
        BuildRequest(req, 'Q');
        h.Engine().OnBytes(req, 5);
        framesWhileOpen = h.FramesFrom(Side::kPc).size();
        EXPECT_EQ(h.Inspect().HeldEvents(), 5u);
    };
    Send("0F 35 0E 3B");
    ASSERT_EQ(h.Alert().Texts().size(), 1u);
    EXPECT_EQ(h.Alert().Texts()[0], "User data received from remote control is corrupted!");
    EXPECT_EQ(Page().ReceiveCompletes(), 0);
    const auto f = NewPcFrames();
    // The final ack went out before the box; the queued request was served after it closed.
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(framesWhileOpen, m_seen - 1);
    EXPECT_TRUE(HexDiff(FromHex("0F 06 0E 08"), f[0]).empty());
    EXPECT_TRUE(HexDiff(FromHex("0F 31 51 0E 6E"), f[1]).empty());
    const auto msgs = Page().Messages();
    EXPECT_EQ(msgs[msgs.size() - 2], "Communication started...");
}

// The remote repeats its end frame when the final acknowledgement got lost: it gets the
// acknowledgement again, and the page, whose upload is settled, is not asked a second time.
TEST_F(UploadScript, RepeatedEndFrameGetsTheFinalAcknowledgementAgain) {
    Begin('Q', 0);
    Send(HeadFrame(HK_USERDATA, 1, 1, 10));
    const ByteBuffer block = Pattern(10, 6);
    Send(DataFrame(0, block.data(), 10));
    NewPcFrames();
    for (int i = 0; i < 2; ++i) {
        Send("0F 35 0E 3B");
        ExpectPc({"0F 06 0E 08"}, "final acknowledgement");
    }
    EXPECT_EQ(Page().Count(TN_VERIFY_RECEIVED), 1);
    EXPECT_EQ(Page().ReceiveCompletes(), 1);
    EXPECT_EQ(Page().Messages().back(), "End of Communication");
}

TEST_F(UploadScript, RepeatedHeadAfterDataBeganIsIgnored) {
    Begin('Q', 0);
    const ByteBuffer head = HeadFrame(HK_USERDATA, 3, 1, 2);
    Send(head);
    Send(head);  // the start frame was lost: the head again before any data is served again
    ExpectPc({"0F 33 0E 3D", "0F 33 0E 3D"}, "start twice");
    const ByteBuffer block = Pattern(2048, 7);
    Send(DataFrame(0, block.data(), 2048));
    Send(head);  // a stale copy after data arrived would make the page start its file again
    ExpectPc({Hex(AckFrame(0))}, "stale head");
    EXPECT_EQ(Page().Count(TN_HEAD_RECEIVED), 2);
    EXPECT_EQ(Page().BlocksReceived(), 1);
    Send(DataFrame(1, block.data(), 2048));
    ExpectPc({Hex(AckFrame(1))}, "data goes on");
}

// A frame still incomplete when the watchdog expires is dropped (here while the engine waits for
// a damaged request again, so no protocol timer runs): after 2 s, or on a slow serial line after
// the longest frame the PC receives (4097 bytes) takes there, and a second more.
struct WatchdogRow {
    long bytesPerSecond;
    std::int64_t watchdogMs;
};

class Watchdog : public Script, public ::testing::WithParamInterface<WatchdogRow> {};

TEST_P(Watchdog, DropsAFrameThatNeverCompletes) {
    const WatchdogRow row = GetParam();
    h.Engine().SetLineSpeed(row.bytesPerSecond);
    h.Page(FUNC_DB_DOWNLOAD).LoadDownload(Pattern(10, 1));
    h.Show(FUNC_DB_DOWNLOAD);
    Send("0F 31 50 0E 6E");
    ExpectPc({kDamaged}, "damaged request");
    const std::int64_t t = h.NowMs() + 1;
    Send("0F 34 06 06");  // a data frame announcing 1542 data bytes, never finished
    EXPECT_EQ(h.Inspect().RxState(), E::RX_DATA);
    h.Advance(t + row.watchdogMs - 1 - h.NowMs());
    EXPECT_EQ(h.Inspect().RxState(), E::RX_DATA);
    h.Advance(1);
    EXPECT_EQ(h.Inspect().RxState(), E::RX_WAIT_START);
    Request('P');  // the remote's repeated request is served
    ASSERT_EQ(NewPcFrames().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(LineSpeeds, Watchdog,
                         ::testing::Values(WatchdogRow{0, 2000}, WatchdogRow{11520, 2000},
                                           WatchdogRow{3840, 2067}, WatchdogRow{960, 5268}),
                         [](const ::testing::TestParamInfo<WatchdogRow>& i) {
                             return "BytesPerSecond" + std::to_string(i.param.bytesPerSecond);
                         });

TEST_F(Script, AcknowledgementsOutsideTheirStepAreDropped) {
    h.Page(FUNC_USERDATA_UPLOAD).MakeUploadReady();
    h.Show(FUNC_USERDATA_UPLOAD);
    Request('Q');
    Send(AckFrame(0));
    EXPECT_EQ(h.Inspect().RxState(), E::RX_WAIT_START);
    Send("0F 06 0E 08");
    EXPECT_EQ(h.Inspect().RxState(), E::RX_WAIT_START);
    EXPECT_EQ(h.Inspect().SendStep(), E::SS_WAIT_HEAD);
}

TEST(Download, KeepsTheAcceptedDataWhileThePageReplacesIt) {
    EngineHarness h;
    const ByteBuffer original = Pattern(5 * 2048 + 77, 8);
    RecordingPage& page = h.Page(FUNC_ICON_DOWNLOAD);
    page.LoadDownload(original);
    page.m_job.m_dwHeadParam1 = 11;
    page.m_job.m_szHeadName[0].fill('x');
    bool replaced = false;
    page.onNotify = [&](RecordingPage& p, int code, const NotifyParam&) {
        if (code == TN_PROGRESS_POS && !replaced && p.LastPercent() > 0) {
            replaced = true;
            p.LoadDownload(Pattern(300, 99));  // the user picks another file mid-exchange
            p.m_job.m_dwHeadParam1 = 22;
        }
    };
    h.Show(FUNC_ICON_DOWNLOAD);
    h.Advance(200);
    h.Remote().StartDownload('V');
    ASSERT_TRUE(h.RunUntilIdle(60000));
    ASSERT_TRUE(replaced);
    ASSERT_EQ(h.Remote().Outcome(), RemoteOutcome::kCompleted);
    EXPECT_TRUE(HexDiff(original, h.Remote().ReceivedData()).empty())
        << HexDiff(original, h.Remote().ReceivedData());
    EXPECT_EQ(h.Remote().ReceivedHead().kind, HK_ICON);
    EXPECT_EQ(h.Remote().ReceivedHead().blockCount, 6);
    EXPECT_EQ(h.Remote().ReceivedHead().value1, 11u);
    EXPECT_EQ(h.Remote().ReceivedHead().names[0][0], 'x');
}

TEST(Download, OneDeviceHeadCarriesDeviceValuesAndNoChecksum) {
    EngineHarness h;
    RecordingPage& page = h.Page(FUNC_USERDATA_DOWNLOAD);
    page.LoadDownload(Pattern(3000, 10));
    page.m_job.m_nDataMode = 1;
    page.m_job.m_dwDevParam1 = 0xD1;
    page.m_job.m_dwDevParam2 = 0xD2;
    page.m_job.m_dwHeadParam1 = 0x41;
    page.m_job.m_dwHeadParam3 = 0x43;
    h.Show(FUNC_USERDATA_DOWNLOAD);
    h.Advance(200);
    h.Remote().StartDownload('T');
    ASSERT_TRUE(h.RunUntilIdle(60000));
    ASSERT_EQ(h.Remote().Outcome(), RemoteOutcome::kCompleted);
    const HeadInfo& head = h.Remote().ReceivedHead();
    EXPECT_EQ(head.kind, HK_ONEDEV);
    EXPECT_EQ(head.checksum, 0);
    EXPECT_EQ(head.value1, 0xD1u);
    EXPECT_EQ(head.value2, 0xD2u);
    EXPECT_EQ(head.value3, 0x43u);
}

TEST_F(Script, BytesDuringThePauseWaitForTheSendStep) {
    h.Page(FUNC_DB_DOWNLOAD).LoadDownload(Pattern(5000, 1));
    h.Show(FUNC_DB_DOWNLOAD);
    const std::int64_t t = h.NowMs();
    Send("0F 31 50 0E 6F 0F 33 0E 3D");
    h.Advance(100);
    const auto pc = h.FramesFrom(Side::kPc);
    ASSERT_EQ(pc.size(), 2u);
    EXPECT_EQ(pc[0].bytes[1], FT_HEAD_SHORT);
    EXPECT_EQ(pc[0].atMs - t, 1 + 100);
    EXPECT_EQ(pc[1].bytes[1], FT_DATA);
    EXPECT_EQ(pc[1].atMs - t, 1 + 200);
}

TEST_F(Script, TracesEveryCompletedFrameWithItsStartByte) {
    struct Trace : FrameTraceSink {
        void OnFrameReceived(const std::uint8_t* f, std::size_t n) override {
            frames.emplace_back(f, f + n);
        }
        std::vector<ByteBuffer> frames;
    } trace;
    h.Engine().SetTraceSink(&trace);
    h.Page(FUNC_DB_DOWNLOAD).LoadDownload(Pattern(10, 1));
    h.Show(FUNC_DB_DOWNLOAD);
    Send("00 0F 31 50 0E 6F 0F 33 0E 3D");
    ASSERT_EQ(trace.frames.size(), 2u);
    EXPECT_EQ(Hex(trace.frames[0]), "0F 31 50 0E 6F");
    EXPECT_EQ(Hex(trace.frames[1]), "0F 33 0E 3D");
}

TEST_F(Script, TimersThatAreNotTheEnginesAreIgnored) {
    DownloadUpTo(3, 0, 1);
    const int step = h.Inspect().SendStep();
    h.Engine().OnTimer(E::TIMER_DEVICE_POLL);
    h.Engine().OnTimer(-5);
    h.Engine().OnTimer(E::TIMER_ENGINE_PAUSE);  // no pause running
    EXPECT_EQ(h.Inspect().SendStep(), step);
    ExpectPc({}, "foreign timers");
}

TEST(InitView, TakesTheShowingPageAfter100Ms) {
    EngineHarness h;
    h.Show(FUNC_ICON_UPLOAD);
    h.Advance(99);
    EXPECT_EQ(h.Inspect().JobView(), nullptr);
    h.Advance(1);
    EXPECT_EQ(h.Inspect().JobView(), &h.Page(FUNC_ICON_UPLOAD));
}

}  // namespace
}  // namespace vanto

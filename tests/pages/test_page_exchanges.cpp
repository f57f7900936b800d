// Whole exchanges: each page served by the real engine against the simulated remote, in virtual
// time. Downloads must deliver byte-exact data and head values; uploads must write byte-exact
// files.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "formats/posix_file_system.h"
#include "page_test_support.h"
#include "pages/app_dnld_form_view.h"
#include "pages/dd_backup_form_view.h"
#include "pages/dd_restore_form_view.h"
#include "pages/rdb_dnld_form_view.h"
#include "pages/ud_backup_form_view.h"
#include "pages/ud_restore_form_view.h"
#include "protocol/frames.h"
#include "protocol/transfer_engine.h"
#include "tools/simulated_remote.h"
#include "tools/virtual_time.h"

namespace vanto {
namespace {

using test::UploadHead;
using test::UploadHeader;

constexpr int kLinkDelayMs = 1;

class RecordingAlert : public ModalAlert {
public:
    void ShowModal(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

class ExchangeTest : public ::testing::Test, public PageRegistry, public FrameWriter {
protected:
    explicit ExchangeTest(FileSystem* fs = nullptr) : m_fs(fs ? *fs : m_posix) {
        app = std::make_unique<CAppDnldFormView>(forms[0], m_fs);
        db = std::make_unique<CRdbDnldFormView>(forms[1], m_fs);
        udUp = std::make_unique<CUdBackupFormView>(forms[2], m_fs);
        udDown = std::make_unique<CUdRestoreFormView>(forms[3], m_fs);
        iconUp = std::make_unique<CDDBackupFormView>(forms[4], m_fs, editor);
        iconDown = std::make_unique<CDDRestoreFormView>(forms[5], m_fs, editor);
        pages = {app.get(), db.get(), udUp.get(), udDown.get(), iconUp.get(), iconDown.get()};
        for (CKvMgrFormView* page : pages) {
            page->OnInitialUpdate();
        }
    }

    // PageRegistry
    TransferPage* Page(int index) override { return pages.at(index); }
    TransferPage* ShowingPage() override { return pages.at(showing); }
    // FrameWriter: the PC's frames reach the remote after the link delay.
    void WriteFrame(const std::uint8_t* frame, std::size_t length) override {
        ByteBuffer bytes(frame, frame + length);
        clock.Post(kLinkDelayMs,
                   [this, bytes] { remote.OnBytesFromPc(bytes.data(), bytes.size()); });
    }

    // Shows page `index` and lets the remote run `start` until everything is quiet again.
    void Run(int index, const std::function<void()>& start) {
        showing = index;
        start();
        clock.RunUntilIdle(120000);
    }
    test::RecordingForm& FormOf(int index) { return forms[index]; }
    const std::vector<std::string>& Messages(int index) { return forms[index].messages; }

    test::TempDir dir;
    PosixFileSystem m_posix;
    FileSystem& m_fs;
    test::RecordingForm forms[6];
    test::FakeEditor editor;
    RecordingAlert alert;
    VirtualClock clock;
    VirtualTimerHost engineTimers{clock};
    VirtualTimerHost remoteTimers{clock};
    TransferEngine engine{*this, engineTimers, *this, alert};
    SimulatedRemote remote{
        remoteTimers, [this](const std::uint8_t* b, std::size_t n) {
            ByteBuffer bytes(b, b + n);
            clock.Post(kLinkDelayMs, [this, bytes] { engine.OnBytes(bytes.data(), bytes.size()); });
        }};
    std::unique_ptr<CAppDnldFormView> app;
    std::unique_ptr<CRdbDnldFormView> db;
    std::unique_ptr<CUdBackupFormView> udUp;
    std::unique_ptr<CUdRestoreFormView> udDown;
    std::unique_ptr<CDDBackupFormView> iconUp;
    std::unique_ptr<CDDRestoreFormView> iconDown;
    std::array<CKvMgrFormView*, 6> pages{};
    int showing = 0;

    void SetUp() override {
        engineTimers.SetExpiry([this](int id) { engine.OnTimer(id); });
        remoteTimers.SetExpiry([this](int id) { remote.OnTimer(id); });
    }
};

TEST_F(ExchangeTest, DatabaseAndApplicationDownloadsDeliverTheWholeImage) {
    const ByteBuffer database = test::MakeDatabase(3 * 2048 + 5, 21);
    test::WriteFile(dir.Path("db.bin"), database);
    db->OnBrowseChosen(dir.Path("db.bin"));
    Run(FUNC_DB_DOWNLOAD, [&] { remote.StartDownload('P'); });
    ASSERT_EQ(remote.Outcome(), RemoteOutcome::kCompleted);
    EXPECT_EQ(remote.ReceivedData(), database);
    EXPECT_TRUE(remote.ReceivedShortHead());
    EXPECT_EQ(remote.ReceivedHead().blockCount, 4);
    EXPECT_EQ(remote.ReceivedHead().checksum, XorWordChecksum(database.data(), database.size()));
    EXPECT_EQ(Messages(1).back(), "Waiting for request...");

    const ByteBuffer image = test::MakeApplicationImage(4096, 22);
    const std::string s19 = test::MakeS19(image, 0x20000);
    test::WriteFile(dir.Path("fw.s19"), ByteBuffer(s19.begin(), s19.end()));
    app->OnBrowseChosen(dir.Path("fw.s19"));
    ASSERT_EQ(app->m_job.m_bFileReady, 1);
    Run(FUNC_APP_DOWNLOAD, [&] { remote.StartDownload('7'); });
    ASSERT_EQ(remote.Outcome(), RemoteOutcome::kCompleted);
    EXPECT_EQ(remote.ReceivedData(), *app->m_job.m_pData);
    EXPECT_EQ(remote.ReceivedData().size(), 4096u);
    EXPECT_EQ(remote.ReceivedHead().blockCount, 3);  // two full blocks and an empty one
}

TEST_F(ExchangeTest, UserDataOneDeviceAndIconDownloadsSendHeadValuesFromTheHeader) {
    const ByteBuffer userPayload = test::Pattern(5001, 31);
    test::WriteFile(dir.Path("u.bin"),
                    test::Concat(test::MakeHeader({"09VK", "03DU", "UD30", 0x01020304, 0x99,
                                                   5001 + 576, 0xA1B2C3D4, 0x10}),
                                 userPayload));
    const ByteBuffer devPayload = test::Pattern(300, 32);
    test::WriteFile(dir.Path("d.odf"),
                    test::Concat(test::MakeHeader({"19VK", "03DD", "DD30", 0x0A0B0C0D, 0x0E0F, 876,
                                                   0x11223344, 0x20}),
                                 devPayload));
    const ByteBuffer iconPayload = test::Pattern(4096, 33);
    test::WriteFile(dir.Path("i.vui"),
                    test::Concat(test::MakeHeader({"29VK", "03IU", "UI30", 0x77, 0x88, 4096 + 576,
                                                   0x55667788, 0x30}),
                                 iconPayload));
    udDown->OnBrowseChosen(dir.Path("u.bin"));
    udDown->OnModeChanged(1);
    udDown->OnBrowseChosen(dir.Path("d.odf"));
    udDown->OnModeChanged(0);
    iconDown->OnBrowseChosen(dir.Path("i.vui"));

    Run(FUNC_USERDATA_DOWNLOAD, [&] { remote.StartDownload('R'); });
    ASSERT_EQ(remote.Outcome(), RemoteOutcome::kCompleted);
    EXPECT_EQ(remote.ReceivedData(), userPayload);
    EXPECT_EQ(remote.ReceivedHead().kind, HK_USERDATA);
    EXPECT_EQ(remote.ReceivedHead().checksum,
              XorWordChecksum(userPayload.data(), userPayload.size()));
    EXPECT_EQ(remote.ReceivedHead().value1, 0x01020304u);
    EXPECT_EQ(remote.ReceivedHead().value2, 5001u);
    EXPECT_EQ(remote.ReceivedHead().value3, 0xA1B2C3D4u);
    EXPECT_EQ(remote.ReceivedHead().names[0][0], 0x10);
    EXPECT_EQ(remote.ReceivedHead().names[2][15], 0x10 + 47);

    // 'T' while the user data mode is selected is refused without a reload.
    std::filesystem::remove(dir.Path("d.odf"));
    Run(FUNC_USERDATA_DOWNLOAD, [&] { remote.StartDownload('T'); });
    EXPECT_EQ(remote.Outcome(), RemoteOutcome::kRefused);
    EXPECT_EQ(FormOf(3).lines[0], "Invalid Request!");

    // In the one-device mode the file is reloaded for the request: gone, so not ready...
    udDown->OnModeChanged(1);
    Run(FUNC_USERDATA_DOWNLOAD, [&] { remote.StartDownload('T'); });
    EXPECT_EQ(remote.Outcome(), RemoteOutcome::kRefused);
    EXPECT_EQ(FormOf(3).lines[1], "The file is not ready!");
    // ...and put back, accepted.
    test::WriteFile(dir.Path("d.odf"),
                    test::Concat(test::MakeHeader({"19VK", "03DD", "DD30", 0x0A0B0C0D, 0x0E0F, 876,
                                                   0x11223344, 0x20}),
                                 devPayload));
    Run(FUNC_USERDATA_DOWNLOAD, [&] { remote.StartDownload('T'); });
    ASSERT_EQ(remote.Outcome(), RemoteOutcome::kCompleted);
    EXPECT_EQ(remote.ReceivedData(), devPayload);
    EXPECT_EQ(remote.ReceivedHead().kind, HK_ONEDEV);
    EXPECT_EQ(remote.ReceivedHead().checksum, 0);
    EXPECT_EQ(remote.ReceivedHead().value1, 0x0A0B0C0Du);
    EXPECT_EQ(remote.ReceivedHead().value2, 0x0E0Fu);
    EXPECT_EQ(remote.ReceivedHead().value3, 0x11223344u);
    EXPECT_EQ(remote.ReceivedHead().names[0][0], 0x20);

    Run(FUNC_ICON_DOWNLOAD, [&] { remote.StartDownload('V'); });
    ASSERT_EQ(remote.Outcome(), RemoteOutcome::kCompleted);
    EXPECT_EQ(remote.ReceivedData(), iconPayload);
    EXPECT_EQ(remote.ReceivedHead().kind, HK_ICON);
    EXPECT_EQ(remote.ReceivedHead().checksum, 0);
    EXPECT_EQ(remote.ReceivedHead().value1, 0u);
    EXPECT_EQ(remote.ReceivedHead().value2, 4096u);
    EXPECT_EQ(remote.ReceivedHead().value3, 0x55667788u);
    EXPECT_EQ(remote.ReceivedHead().names[1][0], 0x30 + 16);
}

TEST_F(ExchangeTest, RunningDownloadSendsWhatWasAcceptedWhateverIsChosenMeanwhile) {
    const ByteBuffer first = test::MakeDatabase(10 * 2048, 41);
    const ByteBuffer second = test::MakeDatabase(3 * 2048 + 7, 42);
    test::WriteFile(dir.Path("first.bin"), first);
    test::WriteFile(dir.Path("second.bin"), second);
    db->OnBrowseChosen(dir.Path("first.bin"));
    showing = FUNC_DB_DOWNLOAD;
    remote.StartDownload('P');
    // Let a few blocks go, then choose another file and remove the first one.
    while (remote.BlocksReceived() < 3 && clock.RunNext(clock.NowMs() + 60000)) {
    }
    db->OnBrowseChosen(dir.Path("second.bin"));
    std::filesystem::remove(dir.Path("first.bin"));
    clock.RunUntilIdle(120000);
    ASSERT_EQ(remote.Outcome(), RemoteOutcome::kCompleted);
    EXPECT_EQ(remote.ReceivedData(), first);
    // The next request sends the new choice.
    Run(FUNC_DB_DOWNLOAD, [&] { remote.StartDownload('P'); });
    EXPECT_EQ(remote.ReceivedData(), second);
}

TEST_F(ExchangeTest, UploadsWriteByteExactFiles) {
    struct Case {
        int page;
        int mode;
        std::uint8_t request;
        HeadInfo head;
        ByteBuffer header;
        const char* name;
    };
    const ByteBuffer payload = test::Pattern(2 * 2048 + 1000, 51);
    const auto len = static_cast<std::uint32_t>(payload.size());
    const Case cases[] = {
        {FUNC_USERDATA_UPLOAD, 0, 'Q', UploadHead(HK_USERDATA, 0x1234, len, 0xBEEF0001),
         UploadHeader("09VK", 0x1234, 0x1234, len + 576, "03DU", 0xBEEF0001, "UD30", true),
         "ud.bin"},
        // One device: the two values add up to the payload; TotalLength is their sum + 576.
        {FUNC_USERDATA_UPLOAD, 1, 'S', UploadHead(HK_ONEDEV, 0x100, len - 0x100, 0xBEEF0002),
         UploadHeader("19VK", 0x100, len - 0x100, len + 576, "03DD", 0xBEEF0002, "DD30", true),
         "dev.odf"},
        {FUNC_ICON_UPLOAD, 0, 'U', UploadHead(HK_ICON, 0x9999, len, 0xBEEF0003),
         UploadHeader("29VK", 0, 0, len + 576, "03IU", 0xBEEF0003, "UI30", true), "icons.vui"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.page == FUNC_USERDATA_UPLOAD) {
            udUp->OnModeChanged(c.mode);
        }
        pages[c.page]->OnBrowseChosen(dir.Path(c.name));
        ASSERT_EQ(pages[c.page]->m_job.m_bFileReady, 1);
        const auto data = std::make_shared<const ByteBuffer>(payload);
        Run(c.page, [&] { remote.StartUpload(c.request, c.head, data); });
        ASSERT_EQ(remote.Outcome(), RemoteOutcome::kCompleted);
        EXPECT_EQ(test::ByteDiff(test::ReadFile(dir.Path(c.name)), test::Concat(c.header, payload)),
                  "");
        EXPECT_TRUE(alert.texts.empty());
        EXPECT_EQ(Messages(c.page).back(), "Waiting for request...");
    }
    // 'Q' while the one-device mode is selected is refused.
    Run(FUNC_USERDATA_UPLOAD, [&] {
        remote.StartUpload('Q', UploadHead(HK_USERDATA, 1, 1, 1),
                           std::make_shared<const ByteBuffer>(1, 0));
    });
    EXPECT_EQ(remote.Outcome(), RemoteOutcome::kRefused);
    EXPECT_EQ(FormOf(2).lines[1], "Invalid Request!");
}

TEST_F(ExchangeTest, InterruptedUploadIsKeptAsPartialWithThePendingMark) {
    const ByteBuffer payload = test::Pattern(4 * 2048, 61);
    udUp->OnBrowseChosen(dir.Path("cut.bin"));
    // The remote falls silent before its third data frame.
    int dataFrames = 0;
    remote.GoSilentWhen([&](const std::uint8_t* f, std::size_t n) {
        return n > 2 && f[1] == '4' && ++dataFrames == 3;
    });
    Run(FUNC_USERDATA_UPLOAD, [&] {
        remote.StartUpload('Q', UploadHead(HK_USERDATA, 7, 4 * 2048, 9),
                           std::make_shared<const ByteBuffer>(payload));
    });
    EXPECT_FALSE(std::filesystem::exists(dir.Path("cut.bin")));
    const ByteBuffer written = test::ReadFile(dir.Path("cut.bin.partial"));
    EXPECT_EQ(test::ByteDiff(
                  written,
                  test::Concat(UploadHeader("09VK", 7, 7, 4 * 2048 + 576, "03DU", 9, "UD30", false),
                               ByteBuffer(payload.begin(), payload.begin() + 2 * 2048))),
              "");
    EXPECT_EQ(FormOf(2).lines[0], "Waiting for request...");
}

// The overwrite question holds a nested event loop in the window, in which the engine goes on:
// an upload request that comes while the question about the page's file is open is refused, and
// nothing is written, whatever the answer.
TEST_F(ExchangeTest, UploadDuringTheOverwriteQuestionIsRefused) {
    const ByteBuffer older = test::Pattern(16, 5);
    const std::string path = dir.Path("asked.vui");
    iconUp->OnBrowseChosen(dir.Path("first.vui"));
    ASSERT_EQ(iconUp->m_job.m_bFileReady, 1);
    test::WriteFile(path, older);
    showing = FUNC_ICON_UPLOAD;
    FormOf(4).onAsk = [&] {
        remote.StartUpload('U', UploadHead(HK_ICON, 0, 2048, 1),
                           std::make_shared<const ByteBuffer>(test::Pattern(2048, 6)));
        clock.RunUntilIdle(120000);
    };
    FormOf(4).answers = {false};
    iconUp->OnBrowseChosen(path);
    EXPECT_EQ(remote.Outcome(), RemoteOutcome::kRefused);
    EXPECT_NE(std::find(Messages(4).begin(), Messages(4).end(), "The file is not ready!"),
              Messages(4).end());
    EXPECT_EQ(test::ReadFile(path), older);
    EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("first.vui")));
    EXPECT_EQ(iconUp->m_job.m_bFileReady, 0);
}

// A full disk in a real exchange: the remote is answered that the upload failed, the page shows
// one box naming the file and the reason (the engine none), and the older file stays.
TEST_F(ExchangeTest, UploadIntoAFullDiskKeepsTheOlderFileAndSaysWhy) {
    FaultyFileSystem faulty(FileFault::kNoSpace, 576 + 2048 + 100);  // block 1 does not fit
    test::RecordingForm form;
    CDDBackupFormView page(form, faulty, editor);
    page.OnInitialUpdate();
    pages[FUNC_ICON_UPLOAD] = &page;
    const std::string path = dir.Path("full.vui");
    const ByteBuffer older = test::Pattern(100, 1);
    test::WriteFile(path, older);
    form.answers = {true};
    page.OnBrowseChosen(path);
    const ByteBuffer payload = test::Pattern(3 * 2048, 71);
    Run(FUNC_ICON_UPLOAD, [&] {
        remote.StartUpload('U', UploadHead(HK_ICON, 0, 3 * 2048, 1),
                           std::make_shared<const ByteBuffer>(payload));
    });
    EXPECT_TRUE(alert.texts.empty());
    ASSERT_EQ(form.boxes.size(), 1u);
    EXPECT_EQ(form.boxes[0].rfind("User icon data could not be written to the file!\n" + path +
                                      ": No space left on device",
                                  0),
              0u)
        << form.boxes[0];
    EXPECT_EQ(test::ReadFile(path), older);
    const ByteBuffer kept = test::ReadFile(path + ".partial");
    ASSERT_GE(kept.size(), 528u);
    EXPECT_EQ(ByteBuffer(kept.begin() + 512, kept.begin() + 528), ByteBuffer(16, 0xFF));
    pages[FUNC_ICON_UPLOAD] = iconUp.get();
}

}  // namespace
}  // namespace vanto

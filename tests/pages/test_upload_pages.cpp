// The upload pages without the engine: the output file check with its overwrite question, the
// header each kind writes, blocks, the completion mark, and failed, cut-off and short uploads.

#include <gtest/gtest.h>

#include <filesystem>

#include "formats/posix_file_system.h"
#include "page_test_support.h"
#include "pages/dd_backup_form_view.h"
#include "pages/ud_backup_form_view.h"

namespace vanto {
namespace {

using test::RecordingForm;

long Notify(TransferPage& page, int code, const NotifyParam& lParam = {}) {
    return page.OnTransferNotify(code, lParam);
}

long SendBlock(TransferPage& page, int n, const ByteBuffer& data) {
    TransferBlock block{n, static_cast<int>(data.size()), data.data()};
    return page.OnTransferNotify(TN_BLOCK_RECEIVED, &block);
}

// The head information the engine stores before TN_HEAD_RECEIVED.
void StoreHead(TransferJob& job, std::uint32_t p1, std::uint32_t p2, std::uint32_t p3) {
    job.m_dwHeadParam1 = p1;
    job.m_dwHeadParam2 = p2;
    job.m_dwHeadParam3 = p3;
    for (int f = 0; f < 3; ++f) {
        for (int i = 0; i < 16; ++i) {
            job.m_szHeadName[f][i] = static_cast<std::uint8_t>(0xA0 + 16 * f + i);
        }
    }
}

class UploadPagesTest : public ::testing::Test {
protected:
    test::TempDir dir;
    RecordingForm form;
    PosixFileSystem fs;
};

TEST_F(UploadPagesTest, NewNameIsCheckedWithoutCreatingIt) {
    CUdBackupFormView page(form, fs);
    page.OnInitialUpdate();
    EXPECT_EQ(form.lines[0], "Select the user data to save.");
    EXPECT_EQ(form.lines[1], "Select the device data to save.");
    const std::string path = dir.Path("backup.bin");
    page.OnBrowseChosen(path);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(form.lines[0], "User Data Ready!");
    EXPECT_TRUE(form.questions.empty());
    EXPECT_EQ(page.m_job.m_bFileReady, 1);
    EXPECT_EQ(page.m_job.m_strFilePath, path);
}

TEST_F(UploadPagesTest, OverwriteQuestionCancelAndOk) {
    CUdBackupFormView page(form, fs);
    page.OnInitialUpdate();
    const std::string good = dir.Path("good.bin");
    page.OnBrowseChosen(good);
    const std::string existing = dir.Path("existing.bin");
    test::WriteFile(existing, ByteBuffer{1, 2, 3});

    form.answers = {false};
    page.OnBrowseChosen(existing);
    EXPECT_EQ(form.questions, std::vector<std::string>{"File already exists! overwrite?"});
    EXPECT_EQ(page.FileText(0), "");
    EXPECT_EQ(form.fileTexts[0], "");
    EXPECT_EQ(page.m_job.m_strFilePath, "");
    EXPECT_EQ(page.m_job.m_bFileReady, 0);
    EXPECT_EQ(form.lines[0], "User Data Ready!");  // the line keeps its earlier text
    // The other mode and back: the last good name returns, still not ready.
    page.OnModeChanged(1);
    page.OnModeChanged(0);
    EXPECT_EQ(page.m_job.m_strFilePath, good);
    EXPECT_EQ(page.m_job.m_bFileReady, 0);

    form.answers = {true};
    page.OnBrowseChosen(existing);
    EXPECT_EQ(page.m_job.m_bFileReady, 1);
    EXPECT_EQ(test::ReadFile(existing), (ByteBuffer{1, 2, 3}));
    // An upload cut short after its head: the older file stays, what arrived is beside it.
    StoreHead(page.m_job, 5, 10, 6);
    Notify(page, TN_HEAD_RECEIVED);
    Notify(page, TN_TRANSFER_END);
    EXPECT_EQ(test::ReadFile(existing), (ByteBuffer{1, 2, 3}));
    EXPECT_EQ(test::ReadFile(existing + ".partial").size(), 576u);
}

TEST_F(UploadPagesTest, NameThatCannotBeOpenedShowsTheCause) {
    CUdBackupFormView page(form, fs);
    page.OnInitialUpdate();
    page.OnModeChanged(1);
    const std::string path = dir.Path("no/such/folder/dev.odf");
    page.OnBrowseChosen(path);
    EXPECT_EQ(form.lines[1], "File could not be opened 3\n");
    EXPECT_EQ(page.m_job.m_bFileReady, 0);
    EXPECT_EQ(page.FileText(1), path);  // the edit keeps the name
}

TEST_F(UploadPagesTest, UserDataAndOneDeviceFilesAreWrittenByteExact) {
    struct Case {
        int mode;
        ByteBuffer header;
    };
    // User data: Param2 repeats Param1. One device: the engine set m_dwHeadParam2 to the sum.
    const Case cases[] = {
        {0, test::UploadHeader("09VK", 0x12345678, 0x12345678, 5000 + 576, "03DU", 0xCAFEBABE,
                               "UD30", true)},
        {1, test::UploadHeader("19VK", 0x0100, 5000 - 0x0100, 5000 + 576, "03DD", 0xCAFEBABE,
                               "DD30", true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        RecordingForm f;
        CUdBackupFormView page(f, fs);
        page.OnInitialUpdate();
        page.OnModeChanged(c.mode);
        const std::string path = dir.Path(c.mode == 0 ? "ud.bin" : "dev.odf");
        page.OnBrowseChosen(path);
        ASSERT_EQ(page.m_job.m_bFileReady, 1);
        if (c.mode == 0) {
            StoreHead(page.m_job, 0x12345678, 5000, 0xCAFEBABE);
        } else {
            page.m_job.m_dwDevParam1 = 0x0100;
            page.m_job.m_dwDevParam2 = 5000 - 0x0100;
            StoreHead(page.m_job, 0x0100, 5000, 0xCAFEBABE);
        }
        page.m_job.m_nBlockCount = 3;
        Notify(page, TN_HEAD_RECEIVED);
        const ByteBuffer b0 = test::Pattern(2048, 1), b1 = test::Pattern(2048, 2),
                         b2 = test::Pattern(904, 3);
        SendBlock(page, 0, b0);
        SendBlock(page, 1, test::Pattern(2048, 99));
        SendBlock(page, 2, b2);
        SendBlock(page, 1, b1);  // sent again: overwrites the same bytes
        EXPECT_EQ(Notify(page, TN_VERIFY_RECEIVED), 0);
        Notify(page, TN_RECEIVE_COMPLETE);
        Notify(page, TN_TRANSFER_END);
        Notify(page, TN_TRANSFER_END);  // the second one changes nothing
        EXPECT_EQ(test::ByteDiff(test::ReadFile(path),
                                 test::Concat(test::Concat(test::Concat(c.header, b0), b1), b2)),
                  "");
        EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
        EXPECT_TRUE(f.boxes.empty());
    }
}

TEST_F(UploadPagesTest, InterruptedUploadIsKeptAsPartialWithThePendingMark) {
    test::FakeEditor editor;
    CDDBackupFormView page(form, fs, editor);
    const std::string path = dir.Path("icons.vui");
    page.OnBrowseChosen(path);
    EXPECT_EQ(form.lines[0], "User Icon Data Ready!");
    StoreHead(page.m_job, 0xDEAD, 4096, 0x0000BEEF);  // the first value is not stored
    Notify(page, TN_HEAD_RECEIVED);
    const ByteBuffer b0 = test::Pattern(2048, 4);
    SendBlock(page, 0, b0);
    Notify(page, TN_TRANSFER_END);  // timeout: no verify, no completion
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(form.boxes.empty());
    EXPECT_EQ(test::ByteDiff(test::ReadFile(path + ".partial"),
                             test::Concat(test::UploadHeader("29VK", 0, 0, 4096 + 576, "03IU",
                                                             0xBEEF, "UI30", false),
                                          b0)),
              "");
    // Blocks after the end are dropped: the file is closed.
    SendBlock(page, 1, b0);
    EXPECT_EQ(test::ReadFile(path + ".partial").size(), 576u + 2048u);
}

TEST_F(UploadPagesTest, SecondHeadInformationRecreatesTheFile) {
    test::FakeEditor editor;
    CDDBackupFormView page(form, fs, editor);
    const std::string path = dir.Path("icons.vui");
    page.OnBrowseChosen(path);
    StoreHead(page.m_job, 0, 8192, 1);
    Notify(page, TN_HEAD_RECEIVED);
    SendBlock(page, 3, test::Pattern(100, 1));
    StoreHead(page.m_job, 0, 100, 2);
    page.m_job.m_nBlockCount = 1;
    Notify(page, TN_HEAD_RECEIVED);
    const ByteBuffer b0 = test::Pattern(100, 2);
    SendBlock(page, 0, b0);
    EXPECT_EQ(Notify(page, TN_VERIFY_RECEIVED), 0);
    Notify(page, TN_RECEIVE_COMPLETE);
    Notify(page, TN_TRANSFER_END);
    EXPECT_EQ(test::ByteDiff(
                  test::ReadFile(path),
                  test::Concat(test::UploadHeader("29VK", 0, 0, 676, "03IU", 2, "UI30", true), b0)),
              "");
}

// Every way a write can fail, on both upload pages, over an older file: the older file stays
// whole, the remote is told the upload failed (where it still can be), nothing is marked complete,
// and one box names the page's kind of data, the file and the system's reason.
TEST_F(UploadPagesTest, FailedWritesKeepTheOlderFileAndSayWhy) {
    struct Case {
        FileFault fault;
        std::int64_t budget;  // kNoSpace: bytes that fit
        const char* reason;
        bool remoteToldFailed;  // a failed rename comes after the remote's final acknowledgement
    };
    const Case cases[] = {
        {FileFault::kNoSpace, 100, "No space left on device", true},              // the header
        {FileFault::kNoSpace, 576 + 1000, "No space left on device", true},       // block 0
        {FileFault::kNoSpace, 576 + 2048 + 10, "No space left on device", true},  // block 1
        {FileFault::kPermissionDenied, 0, "Permission denied", true},
        {FileFault::kSyncFailed, 0, "Input/output error", true},
        {FileFault::kRenameFailed, 0, "Invalid cross-device link", false},
    };
    const ByteBuffer older = test::Pattern(3000, 9);
    for (const int pageIndex : {FUNC_USERDATA_UPLOAD, FUNC_ICON_UPLOAD}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.reason) + " page " + std::to_string(pageIndex));
            FaultyFileSystem faulty(c.fault, c.budget);
            RecordingForm f;
            test::FakeEditor editor;
            std::unique_ptr<CKvMgrFormView> page;
            if (pageIndex == FUNC_USERDATA_UPLOAD) {
                page = std::make_unique<CUdBackupFormView>(f, faulty);
            } else {
                page = std::make_unique<CDDBackupFormView>(f, faulty, editor);
            }
            page->OnInitialUpdate();
            const std::string path = dir.Path("older.bin");
            test::WriteFile(path, older);
            f.answers = {true};
            page->OnBrowseChosen(path);
            ASSERT_EQ(page->m_job.m_bFileReady, 1);
            StoreHead(page->m_job, 1, 4096, 2);
            page->m_job.m_nBlockCount = 3;
            Notify(*page, TN_HEAD_RECEIVED);
            SendBlock(*page, 0, test::Pattern(2048, 1));
            SendBlock(*page, 1, test::Pattern(2048, 2));
            SendBlock(*page, 2, {});
            const long verdict = Notify(*page, TN_VERIFY_RECEIVED);
            EXPECT_EQ(verdict, c.remoteToldFailed ? kVerifyFailedReported : kVerifyAcceptable);
            if (verdict == kVerifyAcceptable) {
                Notify(*page, TN_RECEIVE_COMPLETE);
            }
            Notify(*page, TN_TRANSFER_END);
            Notify(*page, TN_TRANSFER_END);
            EXPECT_EQ(test::ReadFile(path), older);
            ASSERT_EQ(f.boxes.size(), 1u);
            const std::string kind =
                pageIndex == FUNC_USERDATA_UPLOAD ? "User data " : "User icon data ";
            EXPECT_EQ(f.boxes[0].rfind(
                          kind + "could not be written to the file!\n" + path + ": " + c.reason, 0),
                      0u)
                << f.boxes[0];
            // What was not verified keeps the pending mark; a verified upload whose rename
            // failed is kept whole, marked complete.
            const ByteBuffer kept = test::ReadFile(path + ".partial");
            if (c.remoteToldFailed && kept.size() >= 528) {
                EXPECT_EQ(ByteBuffer(kept.begin() + 512, kept.begin() + 528), ByteBuffer(16, 0xFF));
            }
            std::filesystem::remove(path + ".partial");
        }
    }
}

// The folder of the output file removed during the upload: writes into the open file still
// succeed, so the flush before the answer finds it gone; the upload is a failure, not "End of
// Communication" with no file.
TEST_F(UploadPagesTest, FolderRemovedMidUploadIsAFailure) {
    const std::string folder = dir.Path("gone");
    std::filesystem::create_directory(folder);
    CUdBackupFormView page(form, fs);
    page.OnInitialUpdate();
    page.OnBrowseChosen(folder + "/backup.bin");
    StoreHead(page.m_job, 1, 100, 2);
    page.m_job.m_nBlockCount = 1;
    Notify(page, TN_HEAD_RECEIVED);
    std::filesystem::remove_all(folder);
    SendBlock(page, 0, test::Pattern(100, 1));
    EXPECT_EQ(Notify(page, TN_VERIFY_RECEIVED), kVerifyFailedReported);
    Notify(page, TN_TRANSFER_END);
    ASSERT_EQ(form.boxes.size(), 1u);
    EXPECT_NE(form.boxes[0].find(folder + "/backup.bin: No such file or directory"),
              std::string::npos)
        << form.boxes[0];
}

// The data that arrived must be the whole payload the head announced: every announced block, each
// but the last a full 2048 bytes, none past them, and as many bytes as the file's TotalLength
// states. Otherwise the upload is not completed, the remote is told so, and what came is kept.
TEST_F(UploadPagesTest, RemoteEndingEarlyIsNotCompleted) {
    struct Case {
        int announced;
        std::uint32_t bytes;       // the payload length the head announced
        std::vector<int> lengths;  // of blocks 0, 1, ...
        bool whole;
    };
    const Case cases[] = {
        {98, 200000, {2048, 2048, 2048}, false},  // ended early
        {3, 4196, {2048, 2048, 100}, true},
        {3, 2248, {2048, 100, 100}, false},  // a short block before the last leaves a hole
        {1, 0, {0}, true},
        {0, 0, {}, true},
        {0, 10000, {}, false},       // no block, yet a payload was announced
        {1, 10000, {100}, false},    // every block, but not the announced length
        {1, 100, {100, 50}, false},  // a block past the announced ones
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.announced);
        SCOPED_TRACE(c.bytes);
        RecordingForm f;
        CUdBackupFormView page(f, fs);
        page.OnInitialUpdate();
        const std::string path = dir.Path("short.bin");
        std::filesystem::remove(path);
        page.OnBrowseChosen(path);
        StoreHead(page.m_job, 1, c.bytes, 2);
        page.m_job.m_nBlockCount = c.announced;
        Notify(page, TN_HEAD_RECEIVED);
        for (std::size_t n = 0; n < c.lengths.size(); ++n) {
            SendBlock(page, static_cast<int>(n), test::Pattern(c.lengths[n], 3));
        }
        const long verdict = Notify(page, TN_VERIFY_RECEIVED);
        if (verdict == kVerifyAcceptable) {
            Notify(page, TN_RECEIVE_COMPLETE);
        }
        Notify(page, TN_TRANSFER_END);
        EXPECT_EQ(verdict, c.whole ? kVerifyAcceptable : kVerifyFailedReported);
        EXPECT_EQ(std::filesystem::exists(path), c.whole);
        EXPECT_EQ(std::filesystem::exists(path + ".partial"), !c.whole);
        if (!c.whole) {
            ASSERT_EQ(f.boxes.size(), 1u);
            EXPECT_EQ(f.boxes[0].rfind("User data received from remote control is incomplete: ", 0),
                      0u)
                << f.boxes[0];
        }
    }
}

TEST_F(UploadPagesTest, HeadWithoutOutputFileWritesNothingAndIsNotSound) {
    CUdBackupFormView page(form, fs);
    page.OnInitialUpdate();
    StoreHead(page.m_job, 1, 100, 2);
    Notify(page, TN_HEAD_RECEIVED);
    SendBlock(page, 0, test::Pattern(100, 1));
    EXPECT_NE(Notify(page, TN_VERIFY_RECEIVED), 0);
    EXPECT_EQ(Notify(page, TN_RELOAD_FILE), 0);
}

TEST_F(UploadPagesTest, RunningUploadKeepsItsTargetWhateverTheUserNames) {
    CUdBackupFormView page(form, fs);
    page.OnInitialUpdate();
    const std::string first = dir.Path("first.bin");
    page.OnBrowseChosen(first);
    StoreHead(page.m_job, 1, 2048 + 10, 2);
    page.m_job.m_nBlockCount = 2;
    Notify(page, TN_HEAD_RECEIVED);
    const ByteBuffer b0 = test::Pattern(2048, 1), b1 = test::Pattern(10, 2);
    SendBlock(page, 0, b0);
    page.OnBrowseChosen(dir.Path("second.bin"));  // named meanwhile
    page.OnModeChanged(1);                        // and the other mode selected
    SendBlock(page, 1, b1);
    EXPECT_EQ(Notify(page, TN_VERIFY_RECEIVED), 0);
    Notify(page, TN_RECEIVE_COMPLETE);
    Notify(page, TN_TRANSFER_END);
    EXPECT_EQ(test::ByteDiff(test::ReadFile(first),
                             test::Concat(test::Concat(test::UploadHeader("09VK", 1, 1, 2058 + 576,
                                                                          "03DU", 2, "UD30", true),
                                                       b0),
                                          b1)),
              "");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("second.bin")));
}

TEST_F(UploadPagesTest, IconEditDoesNotChangeThePage) {
    test::FakeEditor editor;
    CDDBackupFormView page(form, fs, editor);
    const std::string path = dir.Path("mine.vui");
    page.OnBrowseChosen(path);
    editor.result = true;
    editor.written = dir.Path("elsewhere.vui");
    page.OnEditClicked();
    EXPECT_EQ(editor.proposed, std::vector<std::string>{path});
    EXPECT_EQ(page.m_job.m_strFilePath, path);
    EXPECT_EQ(page.m_job.m_bFileReady, 1);
}

}  // namespace
}  // namespace vanto

// The download pages without the engine: loading on a file choice, the emptied edit, the reload
// the engine asks for, and the job fields each kind fills.

#include <gtest/gtest.h>

#include <filesystem>

#include "formats/posix_file_system.h"
#include "page_test_support.h"
#include "pages/app_dnld_form_view.h"
#include "pages/dd_restore_form_view.h"
#include "pages/rdb_dnld_form_view.h"
#include "pages/ud_restore_form_view.h"

namespace vanto {
namespace {

using test::MakeHeader;
using test::RecordingForm;

class DownloadPagesTest : public ::testing::Test {
protected:
    test::TempDir dir;
    RecordingForm form;
    PosixFileSystem fs;
};

TEST_F(DownloadPagesTest, DatabaseLoadsAnyNameAndFillsWholeFileJob) {
    const std::string path = dir.Path("codes.dat");
    ByteBuffer db = test::MakeDatabase(4097, 7);  // odd: the last byte is a high byte
    test::WriteFile(path, db);
    CRdbDnldFormView page(form, fs);
    page.OnInitialUpdate();
    EXPECT_EQ(form.lines[0], "Select the database to download.");
    page.OnBrowseChosen(path);
    EXPECT_EQ(form.lines[0], "Database Ready!");
    EXPECT_TRUE(form.boxes.empty());
    EXPECT_EQ(page.m_job.m_bFileReady, 1);
    ASSERT_TRUE(page.m_job.m_pData);
    EXPECT_EQ(*page.m_job.m_pData, db);
    EXPECT_EQ(page.m_job.m_nDataSize, 4097);
    EXPECT_EQ(page.m_job.m_nBlockCount, 3);
    EXPECT_EQ(page.m_job.m_nLastBlockSize, 1);
    EXPECT_EQ(page.m_job.m_nBlocksLeft, 2);
    EXPECT_EQ(page.m_job.m_wChecksum, XorWordChecksum(db.data(), db.size()));
    EXPECT_EQ(page.m_job.m_strFilePath, path);
}

TEST_F(DownloadPagesTest, InvalidDatabaseEmptiesTheEditThroughTheReentrantChange) {
    // An application image, a database with one wrong tag byte, a file too short for the magic.
    ByteBuffer wrongKind = test::MakeDatabase(3000, 1);
    wrongKind[209] = '2';
    ByteBuffer tooShort = test::MakeDatabase(600, 3);
    tooShort.resize(579);
    const ByteBuffer cases[] = {test::MakeApplicationImage(1024, 2), wrongKind, tooShort};
    for (const ByteBuffer& bytes : cases) {
        RecordingForm f;
        CRdbDnldFormView page(f, fs);
        const std::string good = dir.Path("good.bin");
        test::WriteFile(good, test::MakeDatabase(2048, 4));
        page.OnBrowseChosen(good);
        ASSERT_EQ(page.m_job.m_bFileReady, 1);
        const std::string bad = dir.Path("bad.bin");
        test::WriteFile(bad, bytes);
        page.OnBrowseChosen(bad);
        EXPECT_EQ(f.lines[0], "Invalid Database!");
        EXPECT_EQ(f.boxes, std::vector<std::string>{"Invalid Database!"});
        EXPECT_EQ(f.fileTexts[0], "");
        EXPECT_EQ(page.FileText(), "");
        EXPECT_EQ(page.m_job.m_strFilePath, "");
        EXPECT_EQ(page.m_job.m_bFileReady, 0);
        EXPECT_FALSE(page.m_job.m_pData);
    }
}

TEST_F(DownloadPagesTest, DatabaseThatCannotBeOpenedShowsSelectWithoutBox) {
    CRdbDnldFormView page(form, fs);
    page.OnBrowseChosen(dir.Path("missing.bin"));
    EXPECT_EQ(form.lines[0], "Select Database!");
    EXPECT_TRUE(form.boxes.empty());
    EXPECT_EQ(page.m_job.m_strFilePath, "");
    EXPECT_EQ(page.FileText(), "");
    EXPECT_EQ(page.m_job.m_bFileReady, 0);
}

TEST_F(DownloadPagesTest, ReloadFollowsTheFileOnDiskSilently) {
    const std::string path = dir.Path("db.bin");
    const ByteBuffer first = test::MakeDatabase(5000, 1);
    test::WriteFile(path, first);
    CRdbDnldFormView page(form, fs);
    page.OnBrowseChosen(path);
    const auto messages = form.messages.size();

    std::filesystem::remove(path);
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    EXPECT_EQ(page.m_job.m_bFileReady, 0);
    EXPECT_EQ(page.FileText(), path);  // the name stays for the next request

    const ByteBuffer second = test::MakeDatabase(7000, 2);
    test::WriteFile(path, second);
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    EXPECT_EQ(page.m_job.m_bFileReady, 1);
    EXPECT_EQ(*page.m_job.m_pData, second);
    EXPECT_EQ(page.m_job.m_nBlockCount, 4);

    ByteBuffer broken = second;
    broken[576] = 0;
    test::WriteFile(path, broken);
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    EXPECT_EQ(page.m_job.m_bFileReady, 0);
    EXPECT_FALSE(page.m_job.m_pData);
    EXPECT_EQ(form.messages.size(), messages);
    EXPECT_TRUE(form.boxes.empty());
}

TEST_F(DownloadPagesTest, DownloadPagesIgnoreUploadNotifications) {
    CRdbDnldFormView page(form, fs);
    test::WriteFile(dir.Path("db.bin"), test::MakeDatabase(3000, 1));
    page.OnBrowseChosen(dir.Path("db.bin"));
    const TransferJob before = page.m_job;
    const std::uint8_t bytes[4] = {1, 2, 3, 4};
    TransferBlock block{0, 4, bytes};
    EXPECT_EQ(page.OnTransferNotify(TN_HEAD_RECEIVED, 0), 0);
    EXPECT_EQ(page.OnTransferNotify(TN_BLOCK_RECEIVED, &block), 0);
    EXPECT_EQ(page.OnTransferNotify(TN_VERIFY_RECEIVED, 0), 0);
    EXPECT_EQ(page.m_job.m_pData, before.m_pData);
    EXPECT_EQ(page.m_job.m_bFileReady, 1);
}

TEST_F(DownloadPagesTest, ApplicationConvertsChecksAndFillsJob) {
    const ByteBuffer image = test::MakeApplicationImage(1000, 9);
    const std::string path = dir.Path("firmware.S19");  // the extension in any case
    const std::string text = test::MakeS19(image, 0x08000000);
    test::WriteFile(path, ByteBuffer(text.begin(), text.end()));
    CAppDnldFormView page(form, fs);
    page.OnInitialUpdate();
    page.OnBrowseChosen(path);
    EXPECT_EQ(form.lines[0], "Application Ready!");
    ASSERT_EQ(page.m_job.m_bFileReady, 1);
    const ByteBuffer& sent = *page.m_job.m_pData;
    ASSERT_EQ(sent.size(), 1000u);
    // The converter's fields replace the records' bytes; the rest is the records' data.
    EXPECT_EQ(std::string(sent.begin() + 208, sent.begin() + 212), "00VK");
    EXPECT_EQ(ReadLe32(&sent[212]), 0x08000000u);
    EXPECT_EQ(ReadLe32(&sent[220]), 1000u);
    EXPECT_TRUE(std::equal(sent.begin() + 576, sent.end(), image.begin() + 576));
    EXPECT_EQ(page.m_job.m_wChecksum, XorWordChecksum(sent.data(), sent.size()));
    EXPECT_EQ(page.m_job.m_nBlockCount, 1);
    EXPECT_EQ(page.m_job.m_nLastBlockSize, 1000);
}

TEST_F(DownloadPagesTest, ApplicationRefusals) {
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> boxes;
    };
    const std::string valid = test::MakeS19(test::MakeApplicationImage(1000, 1), 0x1000);
    const std::string tooShort = test::MakeS19(test::Pattern(576, 1), 0x1000);
    const Case cases[] = {
        {"app.bin", valid, {"Invalid Application!"}},
        {"app.s19",
         "S1130000000102030405060708090A0B0C0D0E0F10\n",
         {"S19 File Format Error!", "Invalid Application!"}},
        {"app.s19", "s3" + valid.substr(2), {"S19 File Format Error!", "Invalid Application!"}},
        {"short.s19", tooShort, {"Invalid Application!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content.substr(0, 20));
        RecordingForm f;
        CAppDnldFormView page(f, fs);
        const std::string path = dir.Path(c.name);
        test::WriteFile(path, ByteBuffer(c.content.begin(), c.content.end()));
        page.OnBrowseChosen(path);
        EXPECT_EQ(f.boxes, c.boxes);
        EXPECT_EQ(f.lines[0], "Invalid Application!");
        EXPECT_EQ(page.m_job.m_bFileReady, 0);
        EXPECT_FALSE(page.m_job.m_pData);
        EXPECT_EQ(page.m_job.m_strFilePath, "");
    }
    RecordingForm f;
    CAppDnldFormView page(f, fs);
    page.OnBrowseChosen(dir.Path("missing.s19"));
    EXPECT_EQ(f.boxes, (std::vector<std::string>{"S19 File Open Error!", "Invalid Application!"}));
}

TEST_F(DownloadPagesTest, ApplicationReloadShowsOnlyTheConversionBox) {
    const std::string path = dir.Path("a.s19");
    const std::string valid = test::MakeS19(test::MakeApplicationImage(1000, 1), 0x1000);
    test::WriteFile(path, ByteBuffer(valid.begin(), valid.end()));
    CAppDnldFormView page(form, fs);
    page.OnBrowseChosen(path);
    ASSERT_EQ(page.m_job.m_bFileReady, 1);
    test::WriteFile(path, ByteBuffer{'X', 'Y', '\n'});
    const auto messages = form.messages.size();
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    EXPECT_EQ(page.m_job.m_bFileReady, 0);
    EXPECT_FALSE(page.m_job.m_pData);
    EXPECT_EQ(form.boxes, std::vector<std::string>{"S19 File Format Error!"});
    EXPECT_EQ(form.messages.size(), messages);
    test::WriteFile(path, ByteBuffer(valid.begin(), valid.end()));
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    EXPECT_EQ(page.m_job.m_bFileReady, 1);
}

// User data download: one valid file per mode.
class UserDataRestoreTest : public DownloadPagesTest {
protected:
    void SetUp() override {
        userPayload = test::Pattern(4097, 11);
        test::HeaderFields user;
        user.param1 = 0x11223344;
        user.totalLength = 4097 + 576 + 100;  // disagrees with the file: m_dwHeadParam2 follows it
        user.checkWord = 0xA1B2C3D4;
        user.headBlockSeed = 0x40;
        test::WriteFile(userPath, test::Concat(MakeHeader(user), userPayload));

        devPayload = test::Pattern(2048, 12);
        test::HeaderFields dev{"19VK", "03DD",     "DD30",     0x0102,
                               0x0304, 2048 + 576, 0x55667788, 0x80};
        test::WriteFile(devPath, test::Concat(MakeHeader(dev), devPayload));
        page.OnInitialUpdate();
    }

    void ExpectUserJob() {
        EXPECT_EQ(page.m_job.m_nDataMode, 0);
        EXPECT_EQ(page.m_job.m_bFileReady, 1);
        EXPECT_EQ(*page.m_job.m_pData, userPayload);
        EXPECT_EQ(page.m_job.m_dwHeadParam1, 0x11223344u);
        EXPECT_EQ(page.m_job.m_dwHeadParam2, 4097u + 100u);
        EXPECT_EQ(page.m_job.m_dwHeadParam3, 0xA1B2C3D4u);
        EXPECT_EQ(page.m_job.m_szHeadName[0][0], 0x40);
        EXPECT_EQ(page.m_job.m_szHeadName[2][15], 0x40 + 47);
        EXPECT_EQ(page.m_job.m_wChecksum, XorWordChecksum(userPayload.data(), userPayload.size()));
        EXPECT_EQ(page.m_job.m_nBlockCount, 3);
        EXPECT_EQ(page.m_job.m_nLastBlockSize, 1);
        EXPECT_EQ(page.m_job.m_strFilePath, userPath);
    }
    void ExpectDeviceJob() {
        EXPECT_EQ(page.m_job.m_nDataMode, 1);
        EXPECT_EQ(page.m_job.m_bFileReady, 1);
        EXPECT_EQ(*page.m_job.m_pData, devPayload);
        EXPECT_EQ(page.m_job.m_dwDevParam1, 0x0102u);
        EXPECT_EQ(page.m_job.m_dwDevParam2, 0x0304u);
        EXPECT_EQ(page.m_job.m_dwHeadParam3, 0x55667788u);
        EXPECT_EQ(page.m_job.m_szHeadName[0][0], 0x80);
        EXPECT_EQ(page.m_job.m_wChecksum, 0);
        EXPECT_EQ(page.m_job.m_nBlockCount, 2);
        EXPECT_EQ(page.m_job.m_nLastBlockSize, 0);
        EXPECT_EQ(page.m_job.m_strFilePath, devPath);
    }

    std::string userPath = dir.Path("user.bin");
    std::string devPath = dir.Path("tv.odf");
    ByteBuffer userPayload, devPayload;
    CUdRestoreFormView page{form, fs};
};

TEST_F(UserDataRestoreTest, EachModeKeepsItsFileAndSwitchingRechecksWithoutReading) {
    EXPECT_EQ(form.lines[0], "Select the user data to download.");
    EXPECT_EQ(form.lines[1], "Select the device data to download.");
    page.OnBrowseChosen(userPath);
    EXPECT_EQ(form.lines[0], "User Data Ready!");
    ExpectUserJob();

    page.OnModeChanged(1);
    EXPECT_EQ(form.shownMode, 1);
    EXPECT_EQ(page.m_job.m_bFileReady, 0);  // head fields still the user data's
    EXPECT_EQ(page.m_job.m_dwHeadParam1, 0x11223344u);
    page.OnBrowseChosen(devPath);
    EXPECT_EQ(form.lines[1], "Device Data Ready!");
    ExpectDeviceJob();

    // Switching back restores the user data set; the files are not read again.
    std::filesystem::remove(userPath);
    std::filesystem::remove(devPath);
    page.OnModeChanged(0);
    ExpectUserJob();
    page.OnModeChanged(1);
    ExpectDeviceJob();
    EXPECT_TRUE(form.boxes.empty());
}

TEST_F(UserDataRestoreTest, InvalidOrMissingFileEmptiesTheMode) {
    page.OnBrowseChosen(userPath);
    const std::string wrong = dir.Path("wrong.bin");
    test::WriteFile(wrong, test::Concat(MakeHeader({"19VK", "03DD", "DD30"}), userPayload));
    page.OnBrowseChosen(wrong);  // a one-device file in the user data mode
    EXPECT_EQ(form.lines[0], "Invalid User Data!");
    EXPECT_EQ(form.boxes, std::vector<std::string>{"Invalid User Data!"});
    EXPECT_EQ(page.FileText(0), "");
    EXPECT_EQ(page.m_job.m_strFilePath, "");
    EXPECT_EQ(page.m_job.m_nDataSize, 0);
    EXPECT_FALSE(page.m_job.m_pData);
    EXPECT_EQ(page.m_job.m_bFileReady, 0);

    page.OnModeChanged(1);
    page.OnBrowseChosen(dir.Path("nothing.odf"));
    EXPECT_EQ(form.lines[1], "Select Device Data!");
    EXPECT_EQ(form.boxes.size(), 1u);
    EXPECT_EQ(page.FileText(1), "");
    EXPECT_FALSE(page.ModeReady(1));

    const std::string tiny = dir.Path("tiny.odf");
    test::WriteFile(tiny, ByteBuffer(575, 0));
    page.OnBrowseChosen(tiny);
    EXPECT_EQ(form.lines[1], "Invalid Device Data!");
}

TEST_F(UserDataRestoreTest, HeaderOnlyFileIsAnEmptyReadyPayload) {
    test::HeaderFields user;
    const std::string path = dir.Path("empty.bin");
    test::WriteFile(path, MakeHeader(user));
    page.OnBrowseChosen(path);
    EXPECT_EQ(page.m_job.m_bFileReady, 1);
    EXPECT_EQ(page.m_job.m_nDataSize, 0);
    EXPECT_EQ(page.m_job.m_nBlockCount, 1);
    EXPECT_EQ(page.m_job.m_nLastBlockSize, 0);
    EXPECT_EQ(page.m_job.m_wChecksum, 0);
}

TEST_F(UserDataRestoreTest, ReloadReadsTheCurrentModesFileAgain) {
    page.OnBrowseChosen(userPath);
    std::filesystem::rename(userPath, userPath + ".away");
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    EXPECT_EQ(page.m_job.m_bFileReady, 0);
    EXPECT_EQ(page.FileText(0), userPath);
    std::filesystem::rename(userPath + ".away", userPath);
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    ExpectUserJob();
    EXPECT_TRUE(form.boxes.empty());
}

TEST_F(DownloadPagesTest, UserIconPageFillsIconJobAndEditorOkReloads) {
    test::FakeEditor editor;
    CDDRestoreFormView page(form, fs, editor);
    const ByteBuffer payload = test::Pattern(6000, 5);
    test::HeaderFields icon{"29VK", "03IU", "UI30", 77, 88, 6000 + 576, 0x01020304, 3};
    const std::string path = dir.Path("icons.vui");
    ByteBuffer file = test::Concat(MakeHeader(icon), payload);
    std::fill(file.begin() + 512, file.begin() + 528, 0xFF);  // never completed: still accepted
    test::WriteFile(path, file);
    page.OnBrowseChosen(path);
    EXPECT_EQ(form.lines[0], "User Icon Data Ready!");
    EXPECT_EQ(page.m_job.m_bFileReady, 1);
    EXPECT_EQ(*page.m_job.m_pData, payload);
    EXPECT_EQ(page.m_job.m_wChecksum, 0);
    EXPECT_EQ(page.m_job.m_dwHeadParam1, 0u);
    EXPECT_EQ(page.m_job.m_dwHeadParam2, 6000u);
    EXPECT_EQ(page.m_job.m_dwHeadParam3, 0x01020304u);

    // Cancel changes nothing.
    editor.result = false;
    page.OnEditClicked();
    EXPECT_EQ(editor.proposed.back(), path);
    EXPECT_EQ(page.m_job.m_pData->size(), 6000u);

    // OK under the same name: the file the editor wrote is loaded and checked again.
    const ByteBuffer edited = test::Pattern(1048576, 6);
    icon.totalLength = 1049152;
    editor.result = true;
    editor.written = path;
    editor.onRun = [&] { test::WriteFile(path, test::Concat(MakeHeader(icon), edited)); };
    page.OnEditClicked();
    EXPECT_EQ(*page.m_job.m_pData, edited);
    EXPECT_EQ(page.m_job.m_nBlockCount, 513);
    EXPECT_EQ(page.m_job.m_nLastBlockSize, 0);
    EXPECT_EQ(form.fileTexts[0], path);

    // OK with a file that fails the check.
    editor.written = dir.Path("other.vui");
    editor.onRun = [&] { test::WriteFile(editor.written, MakeHeader({})); };
    page.OnEditClicked();
    EXPECT_EQ(form.lines[0], "Invalid User Icon Data!");
    EXPECT_EQ(page.m_job.m_bFileReady, 0);
    EXPECT_EQ(page.FileText(), "");
}

// Reading a file again: the page's old buffer is gone before the new one is read when nothing
// else holds it, so a reload never needs room for two copies; a copy an exchange holds (as the
// engine's snapshot does) stays whole and unchanged.
class WatchingFileSystem final : public ForwardingFileSystem {
public:
    WatchingFileSystem() : ForwardingFileSystem(DefaultFileSystem()) {}
    std::unique_ptr<InputFile> OpenRead(const std::string& path, FileError* error) override {
        auto file = m_inner.OpenRead(path, error);
        if (file) {
            return std::make_unique<Watched>(std::move(file), *this);
        }
        return file;
    }

    std::weak_ptr<const ByteBuffer> old;  // the buffer loaded before
    int readsWhileOldAlive = 0;
    int reads = 0;

private:
    class Watched final : public InputFile {
    public:
        Watched(std::unique_ptr<InputFile> file, WatchingFileSystem& fs)
            : m_file(std::move(file)), m_fs(fs) {}
        std::int64_t Length() const override { return m_file->Length(); }
        bool ReadAt(std::int64_t offset, std::uint8_t* dst, std::size_t size) override {
            ++m_fs.reads;
            m_fs.readsWhileOldAlive += m_fs.old.expired() ? 0 : 1;
            return m_file->ReadAt(offset, dst, size);
        }

    private:
        std::unique_ptr<InputFile> m_file;
        WatchingFileSystem& m_fs;
    };
};

TEST_F(DownloadPagesTest, ReloadDropsTheOldBufferFirstUnlessAnExchangeHoldsIt) {
    WatchingFileSystem watch;
    const std::string path = dir.Path("db.bin");
    const ByteBuffer first = test::MakeDatabase(5000, 1);
    test::WriteFile(path, first);
    CRdbDnldFormView page(form, watch);
    page.OnBrowseChosen(path);
    ASSERT_EQ(page.m_job.m_bFileReady, 1);

    // Idle reload: only the page holds the buffer.
    watch.old = page.m_job.m_pData;
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    EXPECT_GT(watch.reads, 0);
    EXPECT_EQ(watch.readsWhileOldAlive, 0);
    EXPECT_EQ(page.m_job.m_bFileReady, 1);
    EXPECT_EQ(*page.m_job.m_pData, first);

    // An exchange holds the buffer while the file changes on disk and is read again.
    const SharedBytes held = page.m_job.m_pData;
    const ByteBuffer second = test::MakeDatabase(7000, 2);
    test::WriteFile(path, second);
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    EXPECT_EQ(*held, first);
    EXPECT_EQ(*page.m_job.m_pData, second);
    EXPECT_NE(page.m_job.m_pData, held);

    // A file that no longer opens leaves the page's buffer as it was.
    watch.old = page.m_job.m_pData;
    std::filesystem::remove(path);
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    EXPECT_EQ(page.m_job.m_bFileReady, 0);
    EXPECT_FALSE(watch.old.expired());
}

TEST_F(DownloadPagesTest, ModeFileReadAgainDropsTheUnsharedPayloadFirst) {
    WatchingFileSystem watch;
    const std::string path = dir.Path("user.bin");
    const ByteBuffer payload = test::Pattern(4000, 5);
    test::HeaderFields fields;
    fields.totalLength = 4000 + 576;
    test::WriteFile(path, test::Concat(MakeHeader(fields), payload));
    CUdRestoreFormView page(form, watch);
    page.OnInitialUpdate();
    page.OnBrowseChosen(path);
    ASSERT_EQ(page.m_job.m_bFileReady, 1);

    // The mode and the job share the payload; nobody else does.
    watch.old = page.m_job.m_pData;
    watch.reads = 0;
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    EXPECT_GT(watch.reads, 0);
    EXPECT_EQ(watch.readsWhileOldAlive, 0);
    EXPECT_EQ(page.m_job.m_bFileReady, 1);
    EXPECT_EQ(*page.m_job.m_pData, payload);

    const SharedBytes held = page.m_job.m_pData;
    watch.old = held;
    page.OnTransferNotify(TN_RELOAD_FILE, 0);
    EXPECT_EQ(*held, payload);
    EXPECT_EQ(*page.m_job.m_pData, payload);
    EXPECT_GT(watch.readsWhileOldAlive, 0);
}

}  // namespace
}  // namespace vanto

// What every page shares: the progress bar rules, the message line of the current mode, the
// browse choice; the file loader's size check and the wide checksum.

#include <gtest/gtest.h>

#include "formats/file_loader.h"
#include "formats/posix_file_system.h"
#include "page_test_support.h"
#include "pages/dd_restore_form_view.h"
#include "pages/rdb_dnld_form_view.h"
#include "pages/ud_restore_form_view.h"

namespace vanto {
namespace {

// A file system with one file that claims any length and counts the bytes asked of it.
class HugeFileSystem : public ForwardingFileSystem {
public:
    explicit HugeFileSystem(std::int64_t length)
        : ForwardingFileSystem(DefaultFileSystem()), m_length(length) {}
    bool Exists(const std::string&) override { return true; }
    std::unique_ptr<InputFile> OpenRead(const std::string&, FileError*) override {
        class File : public InputFile {
        public:
            File(std::int64_t length, std::int64_t& asked) : m_length(length), m_asked(asked) {}
            std::int64_t Length() const override { return m_length; }
            bool ReadAt(std::int64_t, std::uint8_t* dst, std::size_t size) override {
                m_asked += static_cast<std::int64_t>(size);
                std::fill(dst, dst + size, 0);
                return true;
            }

        private:
            std::int64_t m_length;
            std::int64_t& m_asked;
        };
        return std::make_unique<File>(m_length, bytesAsked);
    }
    std::int64_t bytesAsked = 0;

private:
    std::int64_t m_length;
};

TEST(PageProgress, RangeStepAndPositionRule) {
    struct Case {
        int blockCount;
        int step;
    };
    for (const Case c :
         {Case{0, 1}, Case{1, 100}, Case{3, 33}, Case{99, 1}, Case{100, 1}, Case{65535, 1}}) {
        test::RecordingForm form;
        test::FakeEditor editor;
        CDDRestoreFormView page(form, DefaultFileSystem(), editor);
        page.m_job.m_nBlockCount = c.blockCount;
        page.OnTransferNotify(TN_PROGRESS_RANGE, 0);
        EXPECT_EQ(form.rangeLower, 0);
        EXPECT_EQ(form.rangeUpper, 100);
        EXPECT_EQ(form.step, c.step) << c.blockCount;
    }
    test::RecordingForm form;
    test::FakeEditor editor;
    CDDRestoreFormView page(form, DefaultFileSystem(), editor);
    for (int pos : {0, 34, 99, 100}) {
        page.OnTransferNotify(TN_PROGRESS_POS, pos);
    }
    EXPECT_EQ(form.positions, (std::vector<int>{1, 0, 35, 34, 100, 99, 100}));
}

TEST(PageMessages, TextGoesToTheLineOfTheCurrentMode) {
    test::RecordingForm form;
    CUdRestoreFormView page(form, DefaultFileSystem());
    page.OnInitialUpdate();
    page.OnTransferNotify(TN_SET_MESSAGE, "Invalid Request!");
    EXPECT_EQ(form.lines[0], "Invalid Request!");
    page.OnModeChanged(1);
    page.OnTransferNotify(TN_SET_MESSAGE, " 34% PROCESSING...");
    EXPECT_EQ(form.lines[1], " 34% PROCESSING...");
    EXPECT_EQ(form.lines[0], "Invalid Request!");
}

TEST(PageBrowse, ConfirmingTheShownNameChangesNothing) {
    test::RecordingForm form;
    HugeFileSystem fs(100);  // every name "exists" and reads as 100 zero bytes: invalid
    CRdbDnldFormView page(form, fs);
    page.OnBrowseChosen("");
    EXPECT_TRUE(form.boxes.empty());
    page.OnBrowseChosen("a.bin");
    EXPECT_EQ(form.boxes.size(), 1u);
    EXPECT_EQ(page.FileText(), "");
}

TEST(FileLoader, RefusesOversizedFilesBeforeAllocating) {
    HugeFileSystem fs(kMaxTransferBytes + 1 + 576);
    LoadedFile file = LoadFile(fs, "big", 576, kMaxTransferBytes);
    EXPECT_EQ(file.status, LoadStatus::kTooLarge);
    EXPECT_EQ(fs.bytesAsked, 0);

    HugeFileSystem exact(kMaxTransferBytes + 576);
    EXPECT_EQ(LoadFile(exact, "fits", 576, 4096).status, LoadStatus::kTooLarge);
    HugeFileSystem small(600);
    file = LoadFile(small, "small", 576, kMaxTransferBytes);
    ASSERT_EQ(file.status, LoadStatus::kOk);
    EXPECT_EQ(file.head.size(), 576u);
    EXPECT_EQ(file.body->size(), 24u);
    HugeFileSystem tiny(10);
    file = LoadFile(tiny, "tiny", 576, kMaxTransferBytes);
    EXPECT_EQ(file.head.size(), 10u);
    EXPECT_TRUE(file.body->empty());
}

TEST(FileLoader, PagesRefuseOversizedFilesAsNotReady) {
    HugeFileSystem fs(std::int64_t{1} << 40);
    test::RecordingForm form;
    CRdbDnldFormView page(form, fs);
    page.OnBrowseChosen("huge.bin");
    EXPECT_EQ(form.lines[0], kFileTooLargeText);
    EXPECT_EQ(form.boxes, std::vector<std::string>{kFileTooLargeText});
    EXPECT_EQ(page.m_job.m_bFileReady, 0);
    EXPECT_EQ(page.FileText(), "");
    EXPECT_EQ(fs.bytesAsked, 0);

    test::RecordingForm form2;
    CUdRestoreFormView user(form2, fs);
    user.OnInitialUpdate();
    user.OnBrowseChosen("huge.bin");
    EXPECT_EQ(form2.lines[0], kFileTooLargeText);
    EXPECT_FALSE(user.ModeReady(0));
    EXPECT_EQ(fs.bytesAsked, 0);
}

}  // namespace
}  // namespace vanto

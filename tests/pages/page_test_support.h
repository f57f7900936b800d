#pragma once
// Shared pieces of the page tests: a form that records what the page shows, a scripted icon
// editor, a temporary folder, and builders of valid sample files.

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "formats/file_system.h"
#include "formats/posix_file_system.h"
#include "pages/page_form.h"
#include "protocol/frames.h"
#include "protocol/transfer_job.h"
#include "tools/faulty_file_system.h"

namespace vanto::test {

class RecordingForm : public PageForm {
public:
    void SetMessageLine(int mode, const std::string& text) override {
        lines.at(mode) = text;
        messages.push_back(text);
    }
    void SetFileText(int mode, const std::string& text) override { fileTexts.at(mode) = text; }
    void SetProgressRange(int lower, int upper) override {
        rangeLower = lower;
        rangeUpper = upper;
    }
    void SetProgressStep(int s) override { step = s; }
    void SetProgressPos(int pos) override { positions.push_back(pos); }
    void ShowMessageBox(const std::string& text) override { boxes.push_back(text); }
    bool AskOkCancel(const std::string& text) override {
        questions.push_back(text);
        if (onAsk) {
            onAsk();  // what happens while the question is open
        }
        const bool answer = answers.empty() ? false : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }
    void ShowMode(int mode) override { shownMode = mode; }

    std::array<std::string, 2> lines;
    std::array<std::string, 2> fileTexts;
    std::vector<std::string> messages;
    std::vector<std::string> boxes;
    std::vector<std::string> questions;
    std::deque<bool> answers;  // scripted answers to AskOkCancel; Cancel when none left
    std::function<void()> onAsk;
    std::vector<int> positions;
    int rangeLower = -1, rangeUpper = -1, step = -1, shownMode = -1;
};

class FakeEditor : public IconEditorRunner {
public:
    bool Run(const std::string& proposedPath) override {
        proposed.push_back(proposedPath);
        if (onRun) {
            onRun();
        }
        return result;
    }
    std::string GetPath() const override { return written; }

    bool result = false;
    std::string written;
    std::vector<std::string> proposed;
    std::function<void()> onRun;
};

// A folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

private:
    std::filesystem::path m_dir;
};

void WriteFile(const std::string& path, const ByteBuffer& bytes);
ByteBuffer ReadFile(const std::string& path);

// Empty when equal, else the sizes and the first differing offset with a few bytes of each in hex.
std::string ByteDiff(const ByteBuffer& actual, const ByteBuffer& expected);

// Deterministic pseudo-random bytes.
ByteBuffer Pattern(std::size_t size, std::uint32_t seed);

// A 576-byte header with the three tags of a kind and the given values.
struct HeaderFields {
    const char* kind = "09VK";
    const char* format = "03DU";
    const char* trailer = "UD30";
    std::uint32_t param1 = 0;
    std::uint32_t param2 = 0;
    std::uint32_t totalLength = 0;
    std::uint32_t checkWord = 0;
    std::uint8_t headBlockSeed = 0;  // HeadBlock byte i = seed + i
};
ByteBuffer MakeHeader(const HeaderFields& fields);
ByteBuffer Concat(const ByteBuffer& a, const ByteBuffer& b);

// A database image of `size` bytes (at least 580): valid header and magic, pattern after it.
ByteBuffer MakeDatabase(std::size_t size, std::uint32_t seed);
// An application image that passes the check, `size` bytes (a multiple of 4, at least 580),
// and its S-record text with records of `perRecord` data bytes from `address` on.
ByteBuffer MakeApplicationImage(std::size_t size, std::uint32_t seed);
std::string MakeS19(const ByteBuffer& image, std::uint32_t address, std::size_t perRecord = 16);

// Head information of an upload with the given kind and values; name bytes 0xA0 onwards.
HeadInfo UploadHead(std::uint8_t kind, std::uint32_t v1, std::uint32_t v2, std::uint32_t v3);
// The header an upload writes for that head information (tags of the kind, completed or not).
ByteBuffer UploadHeader(const char* kind, std::uint32_t p1, std::uint32_t p2, std::uint32_t total,
                        const char* format, std::uint32_t check, const char* trailer,
                        bool completed);

}  // namespace vanto::test

#pragma once
// CKvMgrFormView: the common base of the six function pages. It carries the transfer job the
// engine reads, handles the notifications every page treats alike (message line, progress range,
// progress position) and the parts of the form events that all pages share.
//
// Download data are shared and never changed in place: every load makes a new buffer, so the
// engine keeps sending the buffer it accepted (it holds its own reference) whatever the user
// chooses meanwhile.

#include <array>
#include <cstdint>
#include <string>

#include "formats/bytes.h"
#include "formats/file_loader.h"
#include "formats/image_header.h"
#include "pages/page_form.h"
#include "protocol/transfer_notify.h"

namespace vanto {

static_assert(kMaxImageBytes == kMaxTransferBytes, "a file image is sent as one transfer");

// A body sink that XORs the XOR word checksum of each piece into `sum`.
inline BodyPieceSink ChecksumInto(std::uint16_t& sum) {
    return [&sum](const std::uint8_t* piece, std::size_t size) {
        sum ^= XorWordChecksum(piece, size);
    };
}

// The head values an upload's file header takes from the job.
UploadHeadValues UploadHeadValuesOf(const TransferJob& job);

class CKvMgrFormView : public TransferPage {
public:
    explicit CKvMgrFormView(PageForm& form) : m_form(form) {}

    // WM_TRANSFER_NOTIFY. Codes 1, 10 and 11 are handled here; the others by the page.
    long OnTransferNotify(int code, const NotifyParam& lParam) final;

    // First showing of the page: initial message line(s) and mode.
    virtual void OnInitialUpdate() = 0;
    // The edit of the current mode now reads `text` (the edit's change notification).
    void OnFileTextChanged(const std::string& text);
    // The browse dialog confirmed `path`: the edit takes it when it differs from its text.
    void OnBrowseChosen(const std::string& path);
    // The mode radio buttons of the two user data pages (0 whole user data, 1 one device) and
    // the "Edit" button of the two user icon pages; the other pages have neither and ignore them.
    virtual void OnModeChanged(int /*mode*/) {}
    virtual void OnEditClicked() {}

    // 0, or on the two user data pages the mode that is selected.
    virtual int CurrentMode() const { return 0; }
    // Text of the file edit of `mode` as the page last set or was told.
    const std::string& FileText(int mode = 0) const { return m_strEditText.at(mode); }

protected:
    // Codes other than 1, 10, 11; the answer is returned to the engine.
    virtual long OnPageNotify(int code, const NotifyParam& lParam) = 0;
    // The page's handling of a changed file edit of the current mode.
    virtual void HandleFileText(const std::string& text) = 0;

    // Shows `text` on the message line of `mode`.
    void SetMessage(int mode, const std::string& text) { m_form.SetMessageLine(mode, text); }
    // Sets the file edit of the current mode and runs its change handling at once, as an edit's
    // change notification does (also when the text is the same).
    void SetFileText(const std::string& text);
    // Releases the job's download data.
    void ReleaseData();
    // Refuses the chosen file of a download page: empties the file edit (whose change handling
    // runs again and only empties the path), clears the ready flag, shows `message` on the line
    // and, when `box`, in a message box, and releases the data.
    void RefuseChosenFile(const char* message, bool box);
    // Releases the job's download data when the page holds the only reference (no exchange runs
    // on it), so that reading the file again does not keep the old copy alive beside the new.
    void ReleaseUnsharedData();
    // Fills m_pData, the block fields and m_wChecksum of the job.
    void SetDownloadData(SharedBytes data, std::uint16_t checksum);

    PageForm& m_form;

private:
    std::array<std::string, 2> m_strEditText;
};

}  // namespace vanto

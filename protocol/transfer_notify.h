#pragma once
// WM_TRANSFER_NOTIFY: the one synchronous call through which the engine tells the job page what
// happens, and the page interface the engine sees.

#include <cstdint>

#include "protocol/transfer_job.h"

namespace vanto {

constexpr unsigned WM_TRANSFER_NOTIFY = 0x401;

enum TransferNotifyCode : int {
    TN_SET_MESSAGE = 1,        // lParam: the text (UTF-8, terminated), valid during the call
    TN_PROGRESS_RANGE = 10,    // lParam: nothing
    TN_PROGRESS_POS = 11,      // lParam: the percentage 0..100
    TN_HEAD_RECEIVED = 20,     // lParam: nothing
    TN_RECEIVE_COMPLETE = 21,  // lParam: nothing
    TN_BLOCK_RECEIVED = 25,    // lParam: the TransferBlock, valid during the call
    TN_VERIFY_RECEIVED = 28,   // lParam: nothing; answer 0 = data acceptable
    TN_TRANSFER_END = 30,      // lParam: nothing
    TN_RELOAD_FILE = 100,      // lParam: nothing
};

// Answers to TN_VERIFY_RECEIVED.
constexpr long kVerifyAcceptable = 0;
// Not acceptable; the engine shows its own "corrupted" box.
constexpr long kVerifyCorrupted = 1;
// Not acceptable; the page shows why in its own box (a local write failure is no fault of the
// remote's), so the engine shows none.
constexpr long kVerifyFailedReported = 2;

struct TransferBlock {
    int nBlock = 0;
    int nLength = 0;
    const std::uint8_t* pData = nullptr;
};

// The argument of a notification, as the type its code carries: a text, a percentage, a
// received block, or nothing (0). A page reads the one its code names; the others are empty.
class NotifyParam {
public:
    NotifyParam() = default;
    // Implicit on purpose: a call names the argument as it is (a percentage, a text, a block).
    NotifyParam(int value) : m_value(value) {}                   // NOLINT
    NotifyParam(const char* text) : m_text(text) {}              // NOLINT
    NotifyParam(const TransferBlock* block) : m_block(block) {}  // NOLINT

    int Value() const { return m_value; }
    const char* Text() const { return m_text; }
    const TransferBlock* Block() const { return m_block; }

private:
    int m_value = 0;
    const char* m_text = nullptr;
    const TransferBlock* m_block = nullptr;
};

// Function index of each page, the order in which pages are created and registered.
enum FunctionIndex : int {
    FUNC_APP_DOWNLOAD = 0,       // CAppDnldFormView
    FUNC_DB_DOWNLOAD = 1,        // CRdbDnldFormView
    FUNC_USERDATA_UPLOAD = 2,    // CUdBackupFormView
    FUNC_USERDATA_DOWNLOAD = 3,  // CUdRestoreFormView
    FUNC_ICON_UPLOAD = 4,        // CDDBackupFormView
    FUNC_ICON_DOWNLOAD = 5,      // CDDRestoreFormView
    FUNC_COUNT = 6,
};

// What the engine sees of a function page: its job fields, which function it serves, and the
// synchronous notification.
class TransferPage {
public:
    virtual ~TransferPage() = default;
    virtual int FunctionIndex() const = 0;
    virtual long OnTransferNotify(int code, const NotifyParam& lParam) = 0;

    TransferJob m_job;
};

// The application's six pages by function index and the page that is showing. ShowingPage() may
// be null (or a page outside the six) before the first page is shown.
class PageRegistry {
public:
    virtual ~PageRegistry() = default;
    virtual TransferPage* Page(int index) = 0;
    virtual TransferPage* ShowingPage() = 0;
};

}  // namespace vanto

#pragma once
// WM_TRANSFER_NOTIFY: the one synchronous call through which the engine tells the job page what
// happens, and the page interface the engine sees.

#include <cstdint>

#include "protocol/transfer_job.h"

namespace vanto {

constexpr unsigned WM_TRANSFER_NOTIFY = 0x401;

enum TransferNotifyCode : int {
    TN_SET_MESSAGE = 1,        // lParam: const char* (UTF-8, terminated), valid during the call
    TN_PROGRESS_RANGE = 10,    // lParam: 0
    TN_PROGRESS_POS = 11,      // lParam: percentage 0..100
    TN_HEAD_RECEIVED = 20,     // lParam: 0
    TN_RECEIVE_COMPLETE = 21,  // lParam: 0
    TN_BLOCK_RECEIVED = 25,    // lParam: const TransferBlock*, valid during the call
    TN_VERIFY_RECEIVED = 28,   // lParam: 0; answer 0 = data acceptable
    TN_TRANSFER_END = 30,      // lParam: 0
    TN_RELOAD_FILE = 100,      // lParam: 0
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
    virtual long OnTransferNotify(int code, std::intptr_t lParam) = 0;

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

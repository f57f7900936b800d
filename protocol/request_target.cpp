#include "protocol/request_target.h"

#include "protocol/frames.h"

namespace vanto {
namespace {

struct RequestTarget {
    int code;
    int page;
    int mode;  // -1: any
};

constexpr RequestTarget kTargets[] = {
    {REQ_APP_DOWNLOAD, FUNC_APP_DOWNLOAD, -1},
    {REQ_DB_DOWNLOAD, FUNC_DB_DOWNLOAD, -1},
    {REQ_USERDATA_UPLOAD, FUNC_USERDATA_UPLOAD, 0},
    {REQ_USERDATA_DOWNLOAD, FUNC_USERDATA_DOWNLOAD, 0},
    {REQ_ONEDEV_UPLOAD, FUNC_USERDATA_UPLOAD, 1},
    {REQ_ONEDEV_DOWNLOAD, FUNC_USERDATA_DOWNLOAD, 1},
    {REQ_ICON_UPLOAD, FUNC_ICON_UPLOAD, -1},
    {REQ_ICON_DOWNLOAD, FUNC_ICON_DOWNLOAD, -1},
};

}  // namespace

bool PageServesRequest(const TransferPage* page, int code) {
    if (page == nullptr)
        return false;
    for (const RequestTarget& t : kTargets) {
        if (t.code == code)
            return page->FunctionIndex() == t.page &&
                   (t.mode < 0 || page->m_job.m_nDataMode == t.mode);
    }
    return false;
}

}  // namespace vanto

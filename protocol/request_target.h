#pragma once
// Which page, and on the two user data pages which mode, each request needs: the engine serves a
// request only when the page that was showing when it arrived is that page in that mode.

#include "protocol/transfer_notify.h"

namespace vanto {

// False for a page that is missing or is not the one `code` names ('0' to '9' stored as '0').
bool PageServesRequest(const TransferPage* page, int code);

}  // namespace vanto

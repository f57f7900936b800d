#include "pages/upload_notify.h"

#include "protocol/transfer_notify.h"

namespace vanto {

long HandleUploadNotify(int code, const NotifyParam& lParam, UploadTarget& target, FileSystem& fs,
                        PageForm& form, const std::function<std::optional<UploadHead>()>& head) {
    switch (code) {
        case TN_HEAD_RECEIVED:
            if (const std::optional<UploadHead> h = head()) {
                target.Begin(fs, h->path, h->header);
            } else {
                target.Refuse();
            }
            return 0;
        case TN_BLOCK_RECEIVED:
            if (lParam.Block() != nullptr) {
                target.WriteBlock(*lParam.Block());
            }
            return 0;
        case TN_VERIFY_RECEIVED:
            return target.IsSound() ? 0 : 1;
        case TN_RECEIVE_COMPLETE:
            if (target.IsOpen() && !target.WriteCompleteMark()) {
                form.ShowMessageBox(kCompleteMarkFailedText);
            }
            return 0;
        case TN_TRANSFER_END:
            target.Close();
            return 0;
        default:
            return 0;
    }
}

}  // namespace vanto

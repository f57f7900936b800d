#include "pages/upload_notify.h"

#include "protocol/transfer_notify.h"

namespace vanto {
namespace {

std::string KeptNote(const std::string& keptPath) {
    return keptPath.empty() ? std::string() : "\nWhat arrived is kept in " + keptPath + ".";
}

}  // namespace

std::string UploadWriteFailedText(const char* dataName, const FileError& error,
                                  const std::string& keptPath) {
    return std::string(dataName) + " could not be written to the file!\n" + error.Text() +
           KeptNote(keptPath);
}

std::string UploadIncompleteText(const char* dataName, const UploadTarget& target,
                                 std::uint32_t announcedBytes) {
    return std::string(dataName) + " received from remote control is incomplete: " +
           std::to_string(target.BlocksArrived()) + " of " +
           std::to_string(target.BlocksAnnounced()) + " blocks, " +
           std::to_string(target.BytesArrived()) + " of " + std::to_string(announcedBytes) +
           " bytes!" + KeptNote(target.KeptPath());
}

std::string UploadNoFileText(const char* dataName) {
    return std::string(dataName) +
           " received from remote control was not written: no output file was ready!";
}

long HandleUploadNotify(int code, const NotifyParam& lParam, UploadTarget& target, FileSystem& fs,
                        PageForm& form, const TransferJob& job, const char* dataName,
                        const std::function<std::optional<UploadHead>()>& head) {
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
            switch (target.Verify(job.m_nBlockCount, job.m_dwHeadParam2)) {
                case UploadVerdict::kSound:
                    return kVerifyAcceptable;
                case UploadVerdict::kNoFile:
                    target.m_strReport = UploadNoFileText(dataName);
                    break;
                case UploadVerdict::kWriteFailed:
                    target.m_strReport =
                        UploadWriteFailedText(dataName, target.Error(), target.KeptPath());
                    target.m_bErrorReported = true;
                    break;
                case UploadVerdict::kIncomplete:
                    target.m_strReport = UploadIncompleteText(dataName, target, job.m_dwHeadParam2);
                    break;
            }
            return kVerifyFailedReported;
        case TN_RECEIVE_COMPLETE:
            if (target.IsOpen() && !target.Complete()) {
                target.m_strReport =
                    UploadWriteFailedText(dataName, target.Error(), target.KeptPath());
                target.m_bErrorReported = true;
            }
            return 0;
        case TN_TRANSFER_END: {
            target.Close();
            // A write that failed in an upload cut short is reported here.
            if (target.m_strReport.empty() && target.Error().Failed() && !target.m_bErrorReported) {
                target.m_strReport =
                    UploadWriteFailedText(dataName, target.Error(), target.KeptPath());
            }
            target.m_bErrorReported = target.m_bErrorReported || target.Error().Failed();
            std::string report;
            report.swap(target.m_strReport);
            if (!report.empty()) {
                form.ShowMessageBox(report);
            }
            return 0;
        }
        default:
            return 0;
    }
}

}  // namespace vanto

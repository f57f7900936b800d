#pragma once
// Decides when `serve --once` is done: after the first exchange that was accepted
// ("Communication started...") has returned to idle ("Waiting for request..." after it). Refused,
// damaged and unknown requests never show "Communication started...", so they do not end it.
// The exchange counts as a success only when its last message before idle was
// "End of Communication" and no message box was shown during it (an upload whose data the engine
// found corrupted also ends with "End of Communication", but with a box). Every exchange the
// engine gives up, on a timer or after too many negative acknowledgements, shows
// "Communication Timeout!" before it returns to idle, and so ends `--once` as a failure.

#include <string>

namespace vanto::serve {

class OnceWatcher {
public:
    // Every message-line text of the showing page, in order.
    void OnLine(const std::string& text);
    // Every message box shown while serving.
    void OnBox();

    bool Done() const { return m_bDone; }
    bool Succeeded() const { return m_bDone && m_bSuccess; }
    // An exchange was accepted and, as it stands now, ends well: its last message is
    // "End of Communication" and no box was shown (it may not be back at idle yet).
    bool EndsWell() const;
    // An exchange was accepted and did not end well, whether or not it is back at idle yet.
    bool Failed() const { return m_bAccepted && !EndsWell(); }

private:
    bool m_bAccepted = false;
    bool m_bBoxShown = false;
    bool m_bDone = false;
    bool m_bSuccess = false;
    std::string m_strLast;
};

}  // namespace vanto::serve

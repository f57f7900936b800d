#pragma once
// The two state fields of the protocol engine: the receive state of the byte parser
// (m_nRxState) and the send step (m_nSendStep), with the values the protocol gives them, so that
// traces and tests name them as the protocol does.

namespace vanto {

enum RxState : int {
    RX_WAIT_START = 0,   // a start byte 0x0F
    RX_WAIT_TYPE = 1,    // the type byte after a start byte
    RX_REQUEST = 10,     // the rest of a request frame
    RX_START = 30,       // the rest of a start frame
    RX_DATA = 40,        // the rest of a data frame
    RX_END = 50,         // the rest of an end frame
    RX_BLOCK_ACK = 70,   // the rest of a block acknowledgement
    RX_HEAD = 90,        // the rest of a head information frame
    RX_FINAL_ACK = 100,  // the rest of a final acknowledgement
};

enum SendStep : int {
    SS_IDLE = 0,
    SS_SEND_HEAD = 1,
    SS_WAIT_START = 2,
    SS_REFUSE = 3,
    SS_REQUEST_DAMAGED = 5,
    SS_WAIT_REQUEST = 6,
    SS_SEND_BLOCK = 7,
    SS_WAIT_BLOCK_ACK = 8,
    SS_SEND_NAK = 9,
    SS_RESEND_BLOCK = 11,
    SS_SEND_END = 12,
    SS_WAIT_FINAL_ACK = 13,
    SS_SEND_HEAD_REQUEST = 33,
    SS_WAIT_HEAD = 34,
    SS_SEND_START = 35,
    SS_WAIT_DATA = 36,
    SS_UPLOAD_OK = 39,
    SS_UPLOAD_CORRUPT = 40,
    SS_UPLOAD_CLOSED = 41,
};

// "RX_DATA", "SS_WAIT_BLOCK_ACK"; "?" for a value that is none of them.
const char* RxStateName(RxState state);
const char* SendStepName(SendStep step);

// Steps in which the send step does nothing: the engine waits for the remote.
bool IsWaitingStep(SendStep step);

}  // namespace vanto

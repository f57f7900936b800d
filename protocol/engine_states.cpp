#include "protocol/engine_states.h"

namespace vanto {

const char* RxStateName(RxState state) {
    switch (state) {
        case RX_WAIT_START:
            return "RX_WAIT_START";
        case RX_WAIT_TYPE:
            return "RX_WAIT_TYPE";
        case RX_REQUEST:
            return "RX_REQUEST";
        case RX_START:
            return "RX_START";
        case RX_DATA:
            return "RX_DATA";
        case RX_END:
            return "RX_END";
        case RX_BLOCK_ACK:
            return "RX_BLOCK_ACK";
        case RX_HEAD:
            return "RX_HEAD";
        case RX_FINAL_ACK:
            return "RX_FINAL_ACK";
    }
    return "?";
}

const char* SendStepName(SendStep step) {
    switch (step) {
        case SS_IDLE:
            return "SS_IDLE";
        case SS_SEND_HEAD:
            return "SS_SEND_HEAD";
        case SS_WAIT_START:
            return "SS_WAIT_START";
        case SS_REFUSE:
            return "SS_REFUSE";
        case SS_REQUEST_DAMAGED:
            return "SS_REQUEST_DAMAGED";
        case SS_WAIT_REQUEST:
            return "SS_WAIT_REQUEST";
        case SS_SEND_BLOCK:
            return "SS_SEND_BLOCK";
        case SS_WAIT_BLOCK_ACK:
            return "SS_WAIT_BLOCK_ACK";
        case SS_SEND_NAK:
            return "SS_SEND_NAK";
        case SS_RESEND_BLOCK:
            return "SS_RESEND_BLOCK";
        case SS_SEND_END:
            return "SS_SEND_END";
        case SS_WAIT_FINAL_ACK:
            return "SS_WAIT_FINAL_ACK";
        case SS_SEND_HEAD_REQUEST:
            return "SS_SEND_HEAD_REQUEST";
        case SS_WAIT_HEAD:
            return "SS_WAIT_HEAD";
        case SS_SEND_START:
            return "SS_SEND_START";
        case SS_WAIT_DATA:
            return "SS_WAIT_DATA";
        case SS_UPLOAD_OK:
            return "SS_UPLOAD_OK";
        case SS_UPLOAD_CORRUPT:
            return "SS_UPLOAD_CORRUPT";
        case SS_UPLOAD_CLOSED:
            return "SS_UPLOAD_CLOSED";
    }
    return "?";
}

bool IsWaitingStep(SendStep step) {
    switch (step) {
        case SS_SEND_HEAD:
        case SS_REFUSE:
        case SS_REQUEST_DAMAGED:
        case SS_SEND_BLOCK:
        case SS_SEND_NAK:
        case SS_RESEND_BLOCK:
        case SS_SEND_END:
        case SS_SEND_HEAD_REQUEST:
        case SS_SEND_START:
        case SS_UPLOAD_OK:
        case SS_UPLOAD_CORRUPT:
            return false;
        default:
            return true;
    }
}

}  // namespace vanto

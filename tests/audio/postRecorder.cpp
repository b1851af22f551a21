// Test support: see postRecorder.h.
#include "tests/audio/postRecorder.h"

std::vector<PostedMessage> postedMessages;

int postMessage(Window window, unsigned message, WParam wParam, LParam lParam) {
    if (!window) return 0;
    postedMessages.push_back({window, message, wParam, lParam});
    return 1;
}

std::vector<WParam> postedCodes(unsigned message) {
    std::vector<WParam> codes;
    for (const PostedMessage &m : postedMessages)
        if (m.message == message) codes.push_back(m.wParam);
    return codes;
}

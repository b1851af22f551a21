// Test support: a window layer reduced to postMessage, which records every
// message posted instead of queuing it.  Tests hand the recorded device
// messages to the stream themselves.
#pragma once

#include <vector>

#include "platform/window.h"

struct WindowRecord {
    int id;
};

struct PostedMessage {
    Window window;
    unsigned message;
    WParam wParam;
    LParam lParam;
};

extern std::vector<PostedMessage> postedMessages; // every post, oldest first

// Returns the wParams of the posts of message, in order.
std::vector<WParam> postedCodes(unsigned message);

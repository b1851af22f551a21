// A main window on the in-memory window layer, with one silent wave-output
// device, for tests of what the window's commands do.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window.h"

class CommandWindowTest : public testing::Test {
protected:
    void SetUp() override { openWindow(); }
    void TearDown() override { closeWindow(); }

    // Resets every fake and opens a fresh main window, as at a program start.
    void openWindow();
    // Lets the stream's last notices through and closes the window.
    void closeWindow();

    // Returns the texts of the message boxes shown so far.
    std::vector<std::string> messageTexts() const;
    // Returns the text of control id.
    std::string controlText(int id) const;

    Window window = nullptr; // the main dialog
};

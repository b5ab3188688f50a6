#pragma once
// Records every message box instead of showing it, and answers it.

#include "platform/message_box.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();  // restores the Qt boxes
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<platform::MessageBoxCall> calls;
    // Answers given in order; when empty, Ok (or Yes for yes/no boxes).
    std::deque<platform::MsgResult> answers;
    // Runs while the box is "shown" (e.g. to spin the event loop, as a modal box would).
    std::function<void(const platform::MessageBoxCall&)> whileShown;

    // "title|text" of every box, for compact assertions.
    std::vector<std::string> summary() const;
};

}  // namespace testsupport

namespace testsupport {

// "title|text" against a pattern in which "*" stands for any run of
// characters ("Error|CCom.*:Input/output error").
bool matchesBox(const std::string& summary, const std::string& pattern);

}  // namespace testsupport

#include "tests/support/message_box_recorder.h"

namespace testsupport {

MessageBoxRecorder::MessageBoxRecorder() {
    platform::setMessageBoxHandler([this](const platform::MessageBoxCall& call) {
        calls.push_back(call);
        if (whileShown) whileShown(call);
        if (!answers.empty()) {
            const platform::MsgResult answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return call.buttons == platform::MsgButtons::YesNo || call.buttons == platform::MsgButtons::YesNoCancel
                   ? platform::MsgResult::Yes
                   : platform::MsgResult::Ok;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { platform::setMessageBoxHandler({}); }

std::vector<std::string> MessageBoxRecorder::summary() const {
    std::vector<std::string> out;
    for (const auto& call : calls) out.push_back(call.title + "|" + call.text);
    return out;
}

}  // namespace testsupport

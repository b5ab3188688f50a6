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

namespace testsupport {

bool matchesBox(const std::string& summary, const std::string& pattern) {
    const size_t star = pattern.find('*');
    if (star == std::string::npos) return summary == pattern;
    const std::string head = pattern.substr(0, star);
    const std::string tail = pattern.substr(star + 1);
    return summary.size() >= head.size() + tail.size() && summary.compare(0, head.size(), head) == 0 &&
           summary.compare(summary.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace testsupport

#pragma once
// Message boxes during a long run: nobody is there to click them. Each is
// counted by its text and answered, so the run goes on as it would after a
// user's click.

#include "platform/message_box.h"

#include <map>
#include <set>
#include <string>

namespace soak {

class BoxCounter {
public:
    BoxCounter() {
        platform::setMessageBoxHandler([this](const platform::MessageBoxCall& call) {
            ++counts[call.title + "|" + call.text];
            return call.buttons == platform::MsgButtons::YesNo ? platform::MsgResult::Yes : platform::MsgResult::Ok;
        });
    }
    ~BoxCounter() { platform::setMessageBoxHandler({}); }
    BoxCounter(const BoxCounter&) = delete;
    BoxCounter& operator=(const BoxCounter&) = delete;

    int count(const std::string& titleAndText) const {
        auto it = counts.find(titleAndText);
        return it == counts.end() ? 0 : it->second;
    }
    // Boxes whose text is none of `expected`.
    std::string unexpected(const std::set<std::string>& expected) const {
        std::string out;
        for (const auto& [box, n] : counts)
            if (!expected.count(box)) out += (out.empty() ? "" : "; ") + box + " x" + std::to_string(n);
        return out;
    }

    std::map<std::string, int> counts;
};

}  // namespace soak

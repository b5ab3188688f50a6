#include "cli/box_collector.h"

#include "sensorlink/ccom.h"

namespace kvcli {

BoxCollector::BoxCollector() {
    platform::setMessageBoxHandler([this](const platform::MessageBoxCall& call) {
        boxes_.push_back(call);
        // Nothing the session asks may be taken as a yes.
        return call.buttons == platform::MsgButtons::Ok || call.buttons == platform::MsgButtons::OkCancel
                   ? platform::MsgResult::Ok
                   : platform::MsgResult::No;
    });
}

BoxCollector::~BoxCollector() { platform::setMessageBoxHandler({}); }

std::string BoxCollector::OneLine(const platform::MessageBoxCall& call) {
    std::string text;
    bool blank = false;
    for (char c : call.text) {
        if (c == '\r' || c == '\n' || c == '\t') {
            blank = !text.empty();
            continue;
        }
        if (blank) text += ' ';
        blank = false;
        text += c;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return call.title.empty() ? text : call.title + ": " + text;
}

std::string BoxCollector::Take() {
    bool portError = false;
    for (const platform::MessageBoxCall& b : boxes_) portError = portError || b.title == kComErrorTitle;
    std::string line;
    for (const platform::MessageBoxCall& b : boxes_) {
        if (portError && b.title != kComErrorTitle) continue;
        const std::string one = OneLine(b);
        if (line.find(one) != std::string::npos) continue;  // the same failure twice says nothing new
        if (!line.empty()) line += "; ";
        line += one;
    }
    boxes_.clear();
    return line;
}

}  // namespace kvcli

#pragma once
// kv275 shows no dialogs. While a collector lives, every message box of the
// sensor session (an open that failed, a transfer the sensor did not answer,
// the adapter gone) is kept as one line "title: text" instead; the command
// then says in one line of its own what failed and hands over what the boxes
// said. The variable transfer's boxes cannot be switched off, and an open
// that fails shows two: they all end up in that one line.

#include "platform/message_box.h"

#include <string>
#include <vector>

namespace kvcli {

class BoxCollector {
public:
    BoxCollector();   // installs itself as the message-box handler
    ~BoxCollector();  // puts the default handler back
    BoxCollector(const BoxCollector&) = delete;
    BoxCollector& operator=(const BoxCollector&) = delete;

    // "title: text", the text's lines joined by blanks.
    static std::string OneLine(const platform::MessageBoxCall& call);

    bool empty() const { return boxes_.empty(); }
    // What the boxes since the last call said, in one line, and forgets them.
    // A failed port operation ("Error: CCom.Read:Input/output error") names
    // the cause in the system's words; the session's own summaries after it
    // only repeat that it failed, so when there is one, they are left out.
    std::string Take();

private:
    std::vector<platform::MessageBoxCall> boxes_;
};

}  // namespace kvcli

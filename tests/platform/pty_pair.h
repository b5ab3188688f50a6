#pragma once
// A pseudo-terminal pair whose near end is linked as a port name in the
// current directory, the way the simulator offers its ports. The master side
// plays the far end of the line.

#include <cstddef>
#include <string>

namespace testsupport {

class PtyPair {
public:
    explicit PtyPair(const std::string& portName = "COM1");
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int master() const { return master_; }
    // The test's own descriptor of the near end, to look at its settings.
    int slave() const { return slave_; }
    const std::string& slavePath() const { return slavePath_; }

    // Sends from the far end and waits (up to 1 s) until the near end holds
    // the bytes, so a purge or read that follows sees them.
    void send(const std::string& bytes);
    // What the near end wrote, waiting up to `waitMs` for `count` bytes.
    std::string receive(size_t count, int waitMs = 1000);
    // Bytes waiting to be read at the near end.
    size_t pendingAtNearEnd() const;
    // The far end goes away, as when the simulator is killed.
    void closeFarEnd();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace testsupport

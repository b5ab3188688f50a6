#pragma once
// A one-line progress bar on standard error, redrawn in place; drawn only
// when standard error is a terminal, so logs and pipes stay clean.

#include <ostream>
#include <string>

namespace kvcli {

class ProgressBar {
public:
    ProgressBar(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
    ~ProgressBar() { Clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // "[#########...........]  45%  200 (3 found)"
    void Show(int done, int total, const std::string& note);
    // Removes the bar, so that the next line starts clean.
    void Clear();

    static std::string Bar(int done, int total, const std::string& note);

private:
    std::ostream& err_;
    bool enabled_;
    bool shown_ = false;
};

}  // namespace kvcli

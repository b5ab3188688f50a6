#include "cli/progress_bar.h"

#include <algorithm>

namespace kvcli {
namespace {
constexpr int kWidth = 30;
}

std::string ProgressBar::Bar(int done, int total, const std::string& note) {
    const int shown = total > 0 ? std::clamp(done, 0, total) : 0;
    const int filled = total > 0 ? shown * kWidth / total : 0;
    const int percent = total > 0 ? shown * 100 / total : 0;
    std::string bar = "[" + std::string(static_cast<size_t>(filled), '#') +
                      std::string(static_cast<size_t>(kWidth - filled), '.') + "] ";
    const std::string p = std::to_string(percent);
    bar += std::string(3 - std::min<size_t>(3, p.size()), ' ') + p + "%";
    if (!note.empty()) bar += "  " + note;
    return bar;
}

void ProgressBar::Show(int done, int total, const std::string& note) {
    if (!enabled_) return;
    // Carriage return and erase to the end of the line: redrawn in place.
    err_ << "\r" << Bar(done, total, note) << "\033[K" << std::flush;
    shown_ = true;
}

void ProgressBar::Clear() {
    if (!shown_) return;
    err_ << "\r\033[K" << std::flush;
    shown_ = false;
}

}  // namespace kvcli

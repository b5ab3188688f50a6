#pragma once
// What the scanner's logic needs from its window. The dialog implements it;
// tests use a recording fake.

#include <string>

enum class LabelShade {
    ButtonFace,  // unmarked
    Marked,      // light yellow
    Scanning,    // light green, while its address is being asked
};

class ScanView {
public:
    virtual ~ScanView() = default;

    // Cells 0 to 77. Texts are UTF-8.
    virtual void setValueText(int cell, const std::string& text) = 0;
    virtual void setLabelShade(int cell, LabelShade shade) = 0;
    // Paint at once: a tick blocks the event loop, so a queued update would
    // only show after the whole tick.
    virtual void repaintLabel(int cell) = 0;
    virtual void repaintValueBox(int cell) = 0;
    // Removes the grid's controls; later calls for cells do nothing.
    virtual void destroyCells() = 0;

    virtual void setScanCaption(const std::string& text) = 0;
    virtual void setReadCaption(const std::string& text) = 0;

    // The port list's selected item, -1 when none is selected.
    virtual int portSelection() const = 0;

    // Starts the window timer; returns its identifier, 0 when it could not start.
    virtual int startWindowTimer(int id, int intervalMs) = 0;
    virtual void stopWindowTimer(int id) = 0;
};

#pragma once
// What the setup dialog's logic needs from its window. The dialog implements
// it; tests use a recording fake. Lists answer their selected entry, -1 for
// none; editable fields answer their text.

#include <string>

class QWidget;

class SetupView {
public:
    virtual ~SetupView() = default;

    virtual int portSelection() const = 0;
    virtual void setPortSelection(int entry) = 0;
    virtual int filterSelection() const = 0;
    virtual void setFilterSelection(int entry) = 0;
    virtual int orderSelection() const = 0;
    virtual void setOrderSelection(int entry) = 0;

    virtual std::string currentAddressText() const = 0;
    virtual void setCurrentAddressText(const std::string& text) = 0;
    virtual std::string cutoffText() const = 0;
    virtual void setCutoffText(const std::string& text) = 0;
    virtual std::string newAddressText() const = 0;
    virtual void setNewAddressText(const std::string& text) = 0;
    virtual std::string delayText() const = 0;
    virtual void setDelayText(const std::string& text) = 0;

    // Captions report progress: each is painted at once, since the exchange
    // that follows blocks the event loop.
    virtual void setReadCaption(const std::string& text) = 0;
    virtual void setWriteCaption(const std::string& text) = 0;

    // The window that owns the dialog's own question.
    virtual QWidget* boxOwner() = 0;
};

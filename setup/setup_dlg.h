#pragma once
// The setup program's main dialog: read and write buttons, the five
// variables it edits, the port and the sensor's current address. The logic
// lives in CSetupController; this class only places the controls and
// forwards events.

#include "setup/setup_controller.h"
#include "setup/setup_view.h"

#include <QDialog>
#include <QIcon>

class CSensorSession;
class QAction;
class QComboBox;
class QPushButton;
struct SetupSettings;

class CSetupDlg : public QDialog, private SetupView {
    Q_OBJECT
public:
    CSetupDlg(SetupSettings& settings, CSensorSession& session, QWidget* parent = nullptr);
    ~CSetupDlg() override;

    CSetupController& controller() { return controller_; }
    const QIcon& icon() const { return icon_; }

    QPushButton* quitButton() const { return quitButton_; }
    QPushButton* readButton() const { return readButton_; }
    QPushButton* writeButton() const { return writeButton_; }
    QComboBox* portList() const { return portList_; }
    QComboBox* filterList() const { return filterList_; }
    QComboBox* orderList() const { return orderList_; }
    QComboBox* cutoffBox() const { return cutoffBox_; }
    QComboBox* newAddressBox() const { return newAddressBox_; }
    QComboBox* delayBox() const { return delayBox_; }
    QComboBox* currentAddressBox() const { return currentAddressBox_; }
    QAction* aboutAction() const { return aboutAction_; }

    void showAbout();
    // "Quit" and Enter: the input is taken (the port among it) before the
    // dialog ends and the settings are saved.
    void accept() override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createTemplateControls();
    // The focus left one of the editable fields for another control of the
    // dialog (not for the field's own list, nor for another window).
    void focusChanged(QWidget* from, QWidget* to);
    QComboBox* editableFieldOf(QWidget* widget) const;

    // SetupView
    int portSelection() const override;
    void setPortSelection(int entry) override;
    int filterSelection() const override;
    void setFilterSelection(int entry) override;
    int orderSelection() const override;
    void setOrderSelection(int entry) override;
    std::string currentAddressText() const override;
    void setCurrentAddressText(const std::string& text) override;
    std::string cutoffText() const override;
    void setCutoffText(const std::string& text) override;
    std::string newAddressText() const override;
    void setNewAddressText(const std::string& text) override;
    std::string delayText() const override;
    void setDelayText(const std::string& text) override;
    void setReadCaption(const std::string& text) override;
    void setWriteCaption(const std::string& text) override;
    QWidget* boxOwner() override { return this; }

    CSetupController controller_;
    QIcon icon_;
    QPushButton* quitButton_ = nullptr;
    QPushButton* readButton_ = nullptr;
    QPushButton* writeButton_ = nullptr;
    QComboBox* filterList_ = nullptr;
    QComboBox* orderList_ = nullptr;
    QComboBox* cutoffBox_ = nullptr;
    QComboBox* newAddressBox_ = nullptr;
    QComboBox* delayBox_ = nullptr;
    QComboBox* portList_ = nullptr;
    QComboBox* currentAddressBox_ = nullptr;
    QAction* aboutAction_ = nullptr;
};

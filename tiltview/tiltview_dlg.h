#pragma once
// Tiltview's main dialog: the angle as large text and as a dial, the port and
// address boxes, "Start", "Stop" and "Quit". The logic lives in
// CTiltviewController; this class places the controls and forwards events.

#include "tiltview/tiltview_controller.h"
#include "tiltview/tiltview_view.h"

#include <QDialog>
#include <QIcon>
#include <QTimer>

#include <string>

class CTiltDial;
class QAction;
class QComboBox;
class QLabel;
class QPushButton;

class CTiltviewDlg : public QDialog, private TiltviewView {
    Q_OBJECT
public:
    // `startDirectory` holds "Tiltview.ini": the directory current when the
    // program started.
    explicit CTiltviewDlg(std::string startDirectory, QWidget* parent = nullptr);
    ~CTiltviewDlg() override;

    CTiltviewController& controller() { return controller_; }

    QPushButton* quitButton() const { return quitButton_; }
    QPushButton* startButton() const { return startButton_; }
    QPushButton* stopButton() const { return stopButton_; }
    QComboBox* portBox() const { return portBox_; }
    QComboBox* addressBox() const { return addressBox_; }
    QLabel* angleField() const { return angleField_; }
    CTiltDial* dial() const { return dial_; }
    QAction* aboutAction() const { return aboutAction_; }
    bool tickTimerActive() const { return tickTimer_.isActive(); }

    void showAbout();

    // Every way the dialog ends ("Quit", Enter, Escape, the close box) comes
    // through here: the settings file is written once.
    void done(int result) override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createTemplateControls();
    void keepPortText();
    void focusMoved(QWidget* from, QWidget* to);

    // TiltviewView
    int portSelection() const override;
    void selectPort(int index) override;
    std::string addressText() const override;
    void selectAddress(int index) override;
    void setPortBoxEnabled(bool enabled) override;
    void setAddressBoxEnabled(bool enabled) override;
    void setAngleText(const std::string& text) override;
    void redrawDial(double angle) override;
    int startWindowTimer(int id, int intervalMs) override;
    void stopWindowTimer(int id) override;
    QWidget* boxOwner() override { return this; }

    std::string startDirectory_;
    CTiltviewController controller_;
    QIcon icon_;
    bool ended_ = false;

    QPushButton* quitButton_ = nullptr;
    QComboBox* portBox_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QComboBox* addressBox_ = nullptr;
    CTiltDial* dial_ = nullptr;
    QLabel* angleField_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QTimer tickTimer_;
};

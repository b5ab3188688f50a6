#pragma once
// The scanner's main dialog: port list, three buttons and the grid of 78
// cells. The logic lives in CScanController; this class only places the
// controls and forwards events.

#include "scan/scan_controller.h"
#include "scan/scan_layout.h"
#include "scan/scan_view.h"

#include <QDialog>
#include <QIcon>
#include <QSize>
#include <QTimer>

#include <array>

class CGridCell;
class CSensorSession;
class QAction;
class QComboBox;
class QLabel;
class QPushButton;
struct ScanSettings;

class CScanDlg : public QDialog, private ScanView {
    Q_OBJECT
public:
    CScanDlg(ScanSettings& settings, CSensorSession& session, QWidget* parent = nullptr);
    ~CScanDlg() override;

    CScanController& controller() { return controller_; }
    const QIcon& icon() const { return icon_; }

    QPushButton* quitButton() const { return quitButton_; }
    QPushButton* scanButton() const { return scanButton_; }
    QPushButton* readButton() const { return readButton_; }
    QComboBox* portList() const { return portList_; }
    QAction* aboutAction() const { return aboutAction_; }
    // nullptr for the empty places and after the close box removed them.
    CGridCell* valueBox(int cell) const;
    CGridCell* addressLabel(int cell) const;
    bool tickTimerActive() const { return tickTimer_.isActive(); }
    QSize initialSize() const { return initialSize_; }

    // Opens the About box modally.
    void showAbout();

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createTemplateControls();
    void buildGrid();

    // ScanView
    void setValueText(int cell, const std::string& text) override;
    void setLabelShade(int cell, LabelShade shade) override;
    void repaintLabel(int cell) override;
    void repaintValueBox(int cell) override;
    void destroyCells() override;
    void setScanCaption(const std::string& text) override;
    void setReadCaption(const std::string& text) override;
    int portSelection() const override;
    int startWindowTimer(int id, int intervalMs) override;
    void stopWindowTimer(int id) override;

    ScanSettings& settings_;
    CScanController controller_;
    QIcon icon_;
    QSize initialSize_;
    QPushButton* quitButton_ = nullptr;
    QLabel* portCaption_ = nullptr;
    QComboBox* portList_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPushButton* readButton_ = nullptr;
    QAction* aboutAction_ = nullptr;
    std::array<CGridCell*, scanlayout::kPlaces> valueBoxes_{};
    std::array<CGridCell*, scanlayout::kPlaces> addressLabels_{};
    QTimer tickTimer_;
};

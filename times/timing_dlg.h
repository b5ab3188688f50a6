#pragma once
// The timing program's main dialog: port, rows, columns and address format
// at the top, scan and run buttons below, and the grid of sensor cells that
// "<- Apply" lays out. The logic lives in CTimingController; this class only
// places the controls and forwards events.

#include "times/timing_controller.h"
#include "times/timing_layout.h"
#include "times/timing_view.h"

#include <QDialog>
#include <QIcon>
#include <QTimer>

#include <array>

class CTimingSession;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct TimingSettings;

class CTimingDlg : public QDialog, private TimingView {
    Q_OBJECT
public:
    CTimingDlg(TimingSettings& settings, CTimingSession& session, QWidget* parent = nullptr);
    ~CTimingDlg() override;

    CTimingController& controller() { return controller_; }
    const QIcon& icon() const { return icon_; }

    QComboBox* portBox() const { return portBox_; }
    QComboBox* rowsBox() const { return rowsBox_; }
    QComboBox* columnsBox() const { return columnsBox_; }
    QComboBox* formatBox() const { return formatBox_; }
    QPushButton* applyButton() const { return applyButton_; }
    QPushButton* scanButton() const { return scanButton_; }
    QPushButton* startButton() const { return startButton_; }
    QPushButton* quitButton() const { return quitButton_; }
    QLineEdit* sensorsField() const { return sensorsField_; }
    QLineEdit* statisticsField() const { return statisticsField_; }
    QAction* aboutAction() const { return aboutAction_; }
    // nullptr where the grid has no such control.
    QLineEdit* valueField(int cell) const;
    QLineEdit* addressField(int cell) const;
    QLabel* firstRowLabel(int row) const;
    QLabel* secondRowLabel(int row) const;
    bool tickTimerActive() const { return tickTimer_.isActive(); }

    void showAbout();
    // The address fields' colour while their sensor is asked.
    static QColor highlightColour();

    // Every way the dialog ends ("Quit", Enter, Escape, the close box) comes
    // through here: the grid is read back and the port closed first.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createTemplateControls();
    void fillBoxes();
    void keepPortText();
    // "Com3": the port in use, whether or not the box has an item for it.
    QString portText() const;

    // TimingView
    void createRowLabels(int row, const QRect& first, const QRect& second) override;
    void destroyRowLabels(int row) override;
    void setFirstRowLabel(int row, const std::string& text) override;
    void createCell(int cell, const QRect& value, const QRect& address) override;
    void moveCell(int cell, const QRect& value, const QRect& address) override;
    void destroyCell(int cell) override;
    void setValueText(int cell, const std::string& text) override;
    void setAddressText(int cell, const std::string& text) override;
    std::string addressText(int cell) const override;
    void setAddressHighlight(int cell, bool on) override;
    void setAddressEnabled(int cell, bool enabled) override;
    void repaintValue(int cell) override;
    void repaintAddress(int cell) override;
    std::string rowsText() const override;
    std::string columnsText() const override;
    void setRowsText(const std::string& text) override;
    void setColumnsText(const std::string& text) override;
    void setRunBoxesEnabled(bool enabled) override;
    void setSensorsText(const std::string& text) override;
    void setStatisticsText(const std::string& text) override;
    void setStartCaption(const std::string& text) override;
    void setScanCaption(const std::string& text) override;
    void repaintScanButton() override;
    QSize initialClientSize() const override;
    void resizeClient(const QSize& size) override;
    int startWindowTimer(int id, int intervalMs) override;
    void stopWindowTimer(int id) override;
    QWidget* boxOwner() override { return this; }

    TimingSettings& settings_;
    CTimingController controller_;
    QIcon icon_;
    bool ended_ = false;

    QComboBox* portBox_ = nullptr;
    QComboBox* rowsBox_ = nullptr;
    QComboBox* columnsBox_ = nullptr;
    QComboBox* formatBox_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QLineEdit* sensorsField_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QLineEdit* statisticsField_ = nullptr;
    QPushButton* quitButton_ = nullptr;
    QAction* aboutAction_ = nullptr;
    std::array<QLabel*, timinglayout::kSlots> firstLabels_{};
    std::array<QLabel*, timinglayout::kSlots> secondLabels_{};
    std::array<QLineEdit*, timinglayout::kSlots> valueFields_{};
    std::array<QLineEdit*, timinglayout::kSlots> addressFields_{};
    QTimer tickTimer_;
};

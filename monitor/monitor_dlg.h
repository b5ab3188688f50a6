#pragma once
// The monitor's window: the port, the sensors and the buttons above, the plot
// in the middle, the statistics table below. The logic lives in
// CMonitorController; this class places the controls, forwards events and
// redraws the plot and the table when new readings are in (at most a few
// times a second, so that drawing never slows the polling).

#include "monitor/monitor_controller.h"
#include "monitor/monitor_view.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>

#include <string>

class CMonitorPlot;
class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class CMonitorDlg : public QDialog, private MonitorView {
    Q_OBJECT
public:
    CMonitorDlg(monitor::MonitorSettings& settings, CSensorSession& session, QWidget* parent = nullptr);
    ~CMonitorDlg() override;

    CMonitorController& controller() { return controller_; }
    CMonitorPlot* plot() const { return plot_; }
    QTableWidget* table() const { return table_; }
    QComboBox* portBox() const { return portBox_; }
    QLineEdit* addressEdit() const { return addressEdit_; }
    QPushButton* addButton() const { return addButton_; }
    QPushButton* removeButton() const { return removeButton_; }
    QPushButton* scanButton() const { return scanButton_; }
    QPushButton* startButton() const { return startButton_; }
    QPushButton* recordButton() const { return recordButton_; }
    QPushButton* openButton() const { return openButton_; }
    QPushButton* exportButton() const { return exportButton_; }
    QPushButton* quitButton() const { return quitButton_; }
    QComboBox* windowBox() const { return windowBox_; }
    QCheckBox* relativeBox() const { return relativeBox_; }
    QCheckBox* pauseBox() const { return pauseBox_; }
    QCheckBox* fixedAxisBox() const { return fixedAxisBox_; }
    QLabel* sourceLabel() const { return sourceLabel_; }
    QAction* aboutAction() const { return aboutAction_; }
    bool tickTimerActive() const { return tickTimer_.isActive(); }

    // Redraws the plot and the table now; returns the time it took in ms.
    double redraw();
    void showAbout();

    // The file dialogs, replaced by tests: the name chosen, empty for none.
    std::function<QString(const QString& caption, const QString& filter)> chooseSaveFile;
    std::function<QString(const QString& caption, const QString& filter)> chooseOpenFile;

    void done(int result) override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createControls();
    void addTyped();
    void removeSelected();
    void record();
    void openCsv();
    void exportPlot();
    void axisChanged();
    void refreshTick();
    void requestRedraw();

    // MonitorView
    int portSelection() const override;
    void selectPort(int index) override;
    void showSensors(const std::vector<int>& addresses) override;
    void readingsChanged() override { readingsDirty_ = true; }
    void setStartCaption(const std::string& text) override;
    void setRecordCaption(const std::string& text) override;
    void setScanCaption(const std::string& text) override;
    void repaintScanButton() override;
    void setIdleControlsEnabled(bool enabled) override;
    void setSourceText(const std::string& text) override { sourceText_ = text; }
    int startWindowTimer(int id, int intervalMs) override;
    void stopWindowTimer(int id) override;
    QWidget* boxOwner() override { return this; }

    monitor::MonitorSettings& settings_;
    CMonitorController controller_;
    QIcon icon_;
    bool ended_ = false;

    QComboBox* portBox_ = nullptr;
    QLineEdit* addressEdit_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* recordButton_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QPushButton* quitButton_ = nullptr;
    QComboBox* windowBox_ = nullptr;
    QCheckBox* relativeBox_ = nullptr;
    QCheckBox* pauseBox_ = nullptr;
    QCheckBox* fixedAxisBox_ = nullptr;
    QDoubleSpinBox* axisFrom_ = nullptr;
    QDoubleSpinBox* axisTo_ = nullptr;
    QPushButton* resetZoomButton_ = nullptr;
    QLabel* sourceLabel_ = nullptr;
    CMonitorPlot* plot_ = nullptr;
    QTableWidget* table_ = nullptr;
    QAction* aboutAction_ = nullptr;

    QTimer tickTimer_;
    // Redraws when readings came (not while paused) or the view changed; its
    // interval grows with the time a redraw takes, so drawing stays a small
    // share of the processor beside the polling.
    QTimer refreshTimer_;
    bool readingsDirty_ = false;
    bool viewDirty_ = true;
    std::string sourceText_;
    std::vector<int> shownSensors_;
};

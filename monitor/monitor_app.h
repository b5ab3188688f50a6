#pragma once
// The monitor application: reads "KV275Monitor.ini" from the directory it
// started in, runs the main window modally and writes the file when it ends.

#include "monitor/monitor_settings.h"

#include <memory>
#include <string>

class CMonitorDlg;
class CSensorSession;

class CMonitorApp {
public:
    explicit CMonitorApp(CSensorSession& session);
    CMonitorApp(const CMonitorApp&) = delete;
    CMonitorApp& operator=(const CMonitorApp&) = delete;

    std::unique_ptr<CMonitorDlg> createMainDialog();
    // Runs the main window modally; false: no message loop of its own follows.
    bool InitInstance();
    // Writes the settings (a box when that fails); the process's exit code.
    int ExitInstance();

    monitor::MonitorSettings& settings() { return settings_; }

private:
    CSensorSession& session_;
    std::string startDirectory_;
    monitor::MonitorSettings settings_;
};

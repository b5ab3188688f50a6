#pragma once
// The scanner application: reads the settings when it is built, runs the
// main dialog modally, writes the settings at exit. The settings record and
// the session are the program's own objects, made before the application
// and ending after it (the session closes a port left open).

#include <memory>

class CScanDlg;
class CSensorSession;
struct ScanSettings;

class CScanApp {
public:
    // Sets the codec's German messages, reads "KV275Scan.ini" and lets failed
    // angle queries speak English from here on.
    CScanApp(ScanSettings& settings, CSensorSession& session);
    CScanApp(const CScanApp&) = delete;
    CScanApp& operator=(const CScanApp&) = delete;

    // The main dialog on this program's record and session.
    std::unique_ptr<CScanDlg> createMainDialog();
    // Runs the main dialog modally; false: the program has no message loop of
    // its own and goes straight to ExitInstance.
    bool InitInstance();
    // Writes the settings; returns the process's exit code.
    int ExitInstance();

private:
    ScanSettings& settings_;
    CSensorSession& session_;
};

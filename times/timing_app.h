#pragma once
// The timing application: reads "KV275Times.ini" when it is built, runs the
// main dialog modally, writes the file at exit (after the dialog has read its
// grid back). The settings record and the session are the program's own
// objects, made before the application and ending after it (the session
// closes a port left open).

#include <memory>

class CTimingDlg;
class CTimingSession;
struct TimingSettings;

class CTimingApp {
public:
    CTimingApp(TimingSettings& settings, CTimingSession& session);
    CTimingApp(const CTimingApp&) = delete;
    CTimingApp& operator=(const CTimingApp&) = delete;

    std::unique_ptr<CTimingDlg> createMainDialog();
    // Runs the main dialog modally; false: no message loop of its own follows.
    bool InitInstance();
    // Writes the settings; returns the process's exit code.
    int ExitInstance();

private:
    TimingSettings& settings_;
    CTimingSession& session_;
};

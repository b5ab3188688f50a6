#pragma once
// The setup application: reads "KV275Setup.ini" at start-up, runs the main
// dialog modally, and writes the file only when the dialog ended through
// "Quit" (or Enter). The settings record and the session are the program's
// own objects, made before the application and ending after it.

#include <memory>

class CSensorSession;
class CSetupDlg;
struct SetupSettings;

class CSetupApp {
public:
    CSetupApp(SetupSettings& settings, CSensorSession& session);
    CSetupApp(const CSetupApp&) = delete;
    CSetupApp& operator=(const CSetupApp&) = delete;

    std::unique_ptr<CSetupDlg> createMainDialog();
    // Loads the settings, runs the dialog, saves after "Quit"; false: no
    // message loop of its own follows.
    bool InitInstance();
    // Saves the settings when the dialog ended with `accepted`.
    void finishDialog(bool accepted);

private:
    SetupSettings& settings_;
    CSensorSession& session_;
};

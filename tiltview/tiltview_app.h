#pragma once
// The Tiltview application: remembers the directory it started in (where
// "Tiltview.ini" lives), runs the main dialog modally and ends with it.

#include <memory>
#include <string>

class CTiltviewDlg;

class CTiltviewApp {
public:
    CTiltviewApp();
    CTiltviewApp(const CTiltviewApp&) = delete;
    CTiltviewApp& operator=(const CTiltviewApp&) = delete;

    std::unique_ptr<CTiltviewDlg> createMainDialog();
    // Runs the main dialog modally; false: no message loop of its own follows.
    bool InitInstance();

private:
    std::string startDirectory_;
};

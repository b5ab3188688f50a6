#include "tiltview/tiltview_app.h"

#include "platform/files.h"
#include "tiltview/tiltview_dlg.h"

// The settings file is read and written by its full name, so the current
// directory is never changed (the port names resolve against it).
CTiltviewApp::CTiltviewApp() : startDirectory_(platform::currentDirectory()) {}

std::unique_ptr<CTiltviewDlg> CTiltviewApp::createMainDialog() {
    return std::make_unique<CTiltviewDlg>(startDirectory_);
}

bool CTiltviewApp::InitInstance() {
    std::unique_ptr<CTiltviewDlg> dialog = createMainDialog();
    dialog->exec();  // the result does not matter: every way out saved the port
    return false;
}

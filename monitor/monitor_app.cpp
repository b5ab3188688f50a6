#include "monitor/monitor_app.h"

#include "monitor/monitor_dlg.h"
#include "platform/files.h"
#include "platform/message_box.h"

// The settings file is read and written by its full name, so the current
// directory is never changed (the port names resolve against it).
CMonitorApp::CMonitorApp(CSensorSession& session)
    : session_(session),
      startDirectory_(platform::currentDirectory()),
      settings_(monitor::LoadMonitorSettings(startDirectory_)) {}

std::unique_ptr<CMonitorDlg> CMonitorApp::createMainDialog() {
    return std::make_unique<CMonitorDlg>(settings_, session_);
}

bool CMonitorApp::InitInstance() {
    std::unique_ptr<CMonitorDlg> dialog = createMainDialog();
    dialog->exec();
    return false;
}

int CMonitorApp::ExitInstance() {
    std::string error;
    if (!monitor::SaveMonitorSettings(startDirectory_, settings_, error))
        platform::MessageBox(nullptr, error, "File Error", platform::MsgIcon::Error);
    return 0;
}

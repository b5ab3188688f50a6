#include "setup/setup_app.h"

#include "sensorlink/sensor_session.h"
#include "setup/setup_dlg.h"
#include "setup/setup_settings.h"

CSetupApp::CSetupApp(SetupSettings& settings, CSensorSession& session) : settings_(settings), session_(session) {}

std::unique_ptr<CSetupDlg> CSetupApp::createMainDialog() { return std::make_unique<CSetupDlg>(settings_, session_); }

bool CSetupApp::InitInstance() {
    // Every start talks to all sensors (177) until the user chooses one: the
    // load sets the address index to 0.
    LoadSetupSettings(settings_);
    for (bool& mark : settings_.portInUse) mark = false;
    std::unique_ptr<CSetupDlg> dialog = createMainDialog();
    finishDialog(dialog->exec() == QDialog::Accepted);
    return false;
}

void CSetupApp::finishDialog(bool accepted) {
    if (accepted) SaveSetupSettings(settings_);
}

#include "times/timing_app.h"

#include "times/timing_dlg.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

CTimingApp::CTimingApp(TimingSettings& settings, CTimingSession& session) : settings_(settings), session_(session) {
    LoadTimingSettings(settings_);
}

std::unique_ptr<CTimingDlg> CTimingApp::createMainDialog() {
    return std::make_unique<CTimingDlg>(settings_, session_);
}

bool CTimingApp::InitInstance() {
    std::unique_ptr<CTimingDlg> dialog = createMainDialog();
    dialog->exec();
    return false;
}

int CTimingApp::ExitInstance() {
    SaveTimingSettings(settings_);
    return 0;
}

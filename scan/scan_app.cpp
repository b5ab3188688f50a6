#include "scan/scan_app.h"

#include "scan/scan_dlg.h"
#include "scan/scan_settings.h"
#include "sensorlink/sensor_session.h"
#include "sensorlink/settings_codec.h"

CScanApp::CScanApp(ScanSettings& settings, CSensorSession& session) : settings_(settings), session_(session) {
    setCodecLanguage(CodecLanguage::German);
    LoadScanSettings(settings_);
    session_.messageLanguage = 2;
}

std::unique_ptr<CScanDlg> CScanApp::createMainDialog() {
    return std::make_unique<CScanDlg>(settings_, session_);
}

bool CScanApp::InitInstance() {
    std::unique_ptr<CScanDlg> dialog = createMainDialog();
    dialog->exec();
    return false;
}

int CScanApp::ExitInstance() {
    SaveScanSettings(settings_);
    return 0;
}

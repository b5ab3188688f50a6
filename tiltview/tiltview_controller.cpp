#include "tiltview/tiltview_controller.h"

#include "platform/message_box.h"
#include "tiltview/angle_poll.h"
#include "tiltview/tiltview_settings.h"

namespace {

void errorBox(QWidget* owner, const char* text, const char* title) {
    platform::MessageBox(owner, text, title, platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

}  // namespace

CTiltviewController::CTiltviewController(TiltviewView& view) : view_(view) {}

void CTiltviewController::OnInitDialog(int8_t portNumber) {
    portNumber_ = tiltsettings::ValidPort(portNumber);
    addressIndex_ = 0;
    currentAngle_ = 0.0;
    timerId_ = 0;
    view_.setAngleText("");
    view_.selectPort(portNumber_ - 1);
    view_.selectAddress(addressIndex_);
    view_.redrawDial(currentAngle_);
}

void CTiltviewController::selectTypedAddress() {
    addressIndex_ = tiltpoll::AddressIndexOfText(view_.addressText().c_str());
    view_.selectAddress(addressIndex_);
}

void CTiltviewController::StartPolling() {
    portNumber_ = tiltsettings::ValidPort(view_.portSelection() + 1);
    view_.selectPort(portNumber_ - 1);
    selectTypedAddress();

    port_.Close();
    // A port whose close failed is still ours and still usable: the link
    // refuses to open over it and it is polled as it is.
    port_.Open(portNumber_);
    if (!port_.IsOpen()) {
        errorBox(view_.boxOwner(), "Comport could not be opened.", "Tiltview Error");
        return;
    }
    port_.Configure(PortSettings());  // a port that refuses a setting is polled as it is

    // Polling runs already: the reopened port goes on under the same timer.
    if (timerId_ == 0) {
        timerId_ = static_cast<uint32_t>(view_.startWindowTimer(kTimerId, kTimerInterval));
        if (timerId_ == 0) {
            errorBox(view_.boxOwner(), "Timer could not be installed.", "Tiltview ERROR");
            view_.setAddressBoxEnabled(false);
            return;
        }
    }
    view_.setPortBoxEnabled(false);
    view_.setAddressBoxEnabled(false);
}

void CTiltviewController::StopPolling() {
    if (timerId_ != 0) {
        view_.stopWindowTimer(static_cast<int>(timerId_));
        timerId_ = 0;
    }
    if (port_.IsOpen()) port_.Close();
    view_.setPortBoxEnabled(true);
    view_.setAddressBoxEnabled(true);
}

void CTiltviewController::OnTimer() {
    const PollResult poll = PollAngle(port_, addressIndex_, currentAngle_);
    currentAngle_ = poll.angle;
    if (poll.valid) view_.setAngleText(poll.text);
    view_.redrawDial(currentAngle_);
    // Unplugged adapter or ended simulator: every further poll would fail the
    // same way. A tick inside a box's message loop may have stopped already,
    // and then has said so.
    if (poll.deviceGone && timerId_ != 0) {
        StopPolling();
        errorBox(view_.boxOwner(), "Comport connection lost.", "Tiltview Error");
    }
}

void CTiltviewController::OnPortChosen(int index) { portNumber_ = tiltsettings::ValidPort(index + 1); }

void CTiltviewController::OnPortTyped() { view_.selectPort(portNumber_ - 1); }

void CTiltviewController::OnAddressFocusLost() { selectTypedAddress(); }

#include "setup/setup_controller.h"

#include "platform/message_box.h"
#include "platform/tick_counter.h"
#include "sensorlink/bus_address.h"
#include "sensorlink/sensor_session.h"
#include "sensorlink/variable_writes.h"
#include "setup/setup_settings.h"
#include "setup/setup_texts.h"

#include <cstdio>

namespace {

using variablewrites::kAddress;
using variablewrites::kCutoff;
using variablewrites::kDelay;
using variablewrites::kFilterOrder;
using variablewrites::kFilterType;

// The address fields take 177 (every sensor at once) to 255.
constexpr int32_t kFirstAddress = kBroadcastAddress;
constexpr int32_t kMaxTyped = 32767;
constexpr int32_t kMaxWritten = 65535;

const char* const kWriteAtRest = "<- write variables";
const char* const kWriteNotValid = "<- write variables (input not valid)";

}  // namespace

CSetupController::CSetupController(SetupSettings& settings, CSensorSession& session, SetupView& view)
    : settings_(settings), session_(session), view_(view) {}

void CSetupController::OnInitDialog() {
    table_.fill(0);
    table_[kFilterType] = 1;
    table_[kFilterOrder] = 2;
    table_[kCutoff] = 50;
    table_[kAddress] = 178;
    table_[kDelay] = 500;
    DisplayValues();
    inputValid_ = true;
}

void CSetupController::setWriteCaptionAtRest() { view_.setWriteCaption(inputValid_ ? kWriteAtRest : kWriteNotValid); }

void CSetupController::CollectInput() {
    inputValid_ = true;
    settings_.ISPort = static_cast<int8_t>(view_.portSelection() + 1);

    // A number outside its field's range changes nothing and is no error:
    // the next display puts the earlier value back. Only an empty field is.
    auto take = [this](const std::string& text, int32_t low, int32_t high, auto store) {
        const std::optional<int32_t> n = setuptexts::Typed(text);
        if (!n) {
            inputValid_ = false;
            return;
        }
        if (*n >= low && *n <= high) store(*n);
    };
    take(view_.currentAddressText(), kFirstAddress, kLastAddress,
         [this](int32_t n) { settings_.ISAddress = static_cast<int8_t>(n - kFirstAddress); });

    const int filter = view_.filterSelection();
    if (filter < 0) inputValid_ = false;
    else table_[kFilterType] = filter + 1;
    const int order = view_.orderSelection();
    if (order < 0) inputValid_ = false;
    else table_[kFilterOrder] = order;

    take(view_.cutoffText(), 1, kMaxTyped, [this](int32_t n) { table_[kCutoff] = n; });
    take(view_.newAddressText(), kFirstAddress, kLastAddress, [this](int32_t n) { table_[kAddress] = n; });
    take(view_.delayText(), 0, kMaxTyped, [this](int32_t n) { table_[kDelay] = n; });
    setWriteCaptionAtRest();
}

void CSetupController::DisplayValues() {
    inputValid_ = true;
    const int port = settings_.ISPort;
    view_.setPortSelection(port >= 1 && port <= 4 ? port - 1 : -1);
    view_.setCurrentAddressText(setuptexts::CurrentAddress(settings_.ISAddress));

    const int32_t filter = table_[kFilterType];
    if (filter >= 1 && filter <= 4) {
        view_.setFilterSelection(filter - 1);
    } else {
        view_.setFilterSelection(-1);
        inputValid_ = false;
    }
    const int32_t order = table_[kFilterOrder];
    if (order >= 0 && order <= 2) {
        view_.setOrderSelection(order);
    } else {
        view_.setOrderSelection(-1);
        inputValid_ = false;
    }
    view_.setCutoffText(setuptexts::Cutoff(table_[kCutoff]));
    const int32_t address = table_[kAddress];
    if (address >= kFirstAddress && address <= kLastAddress) {
        view_.setNewAddressText(setuptexts::SensorAddress(address));
    } else {
        view_.setNewAddressText("");
        inputValid_ = false;
    }
    view_.setDelayText(setuptexts::Number(table_[kDelay]));
    setWriteCaptionAtRest();
}

void CSetupController::OnKillFocusValue() {
    CollectInput();
    DisplayValues();
}

void CSetupController::OnReadVariables() {
    CollectInput();
    view_.setReadCaption("|> read variables");
    if (!session_.IsOpen()) session_.OpenSession(0);
    if (session_.IsOpen()) {
        view_.setReadCaption(">> read variables");
        if (session_.ReadVariables(static_cast<uint16_t>(settings_.ISAddress), table_)) {
            view_.setReadCaption("-> read variables");
        } else {
            view_.setReadCaption("-> read variables (error)");
            CollectInput();
        }
    } else {
        view_.setReadCaption("-> read variables (error)");
    }
    DisplayValues();
    if (session_.IsOpen()) session_.CloseSession();
}

void CSetupController::OnWriteVariables() {
    bool failed = false;
    CollectInput();
    if (settings_.ISAddress == 0 && settings_.ShowAddressQuestion != 0) {
        char question[160];
        std::snprintf(question, sizeof question,
                      "Address %03d (h%02X) will be written to ALL SENSORS\r\non the bus. Do you want to continue?",
                      static_cast<int>(table_[kAddress]), static_cast<unsigned>(table_[kAddress]));
        const platform::MsgResult answer = platform::MessageBox(view_.boxOwner(), question, "Protocol warning",
                                                                platform::MsgIcon::Question, platform::MsgButtons::YesNo);
        if (answer == platform::MsgResult::No) return;
    }
    if (!inputValid_) return;

    view_.setWriteCaption("<| write variables");
    if (!session_.IsOpen()) session_.OpenSession(0);
    if (session_.IsOpen()) {
        CollectInput();
        view_.setWriteCaption("<< write variables");
        for (const int variable : variablewrites::kWriteOrder) {
            const int32_t value = table_[variable];
            // The frame has room for five digits and no sign the sensor takes.
            if (value < 0 || value > kMaxWritten) continue;
            platform::waitTicks(variablewrites::kPauseBeforeWriteMs);
            if (!session_.WriteVariable(static_cast<uint16_t>(settings_.ISAddress), variable, value)) {
                failed = true;
                break;
            }
        }
        view_.setWriteCaption(failed ? "<- write variables (error)" : kWriteAtRest);
    } else {
        view_.setWriteCaption("<- write variables (error)");
    }
    if (session_.IsOpen()) session_.CloseSession();
}

void CSetupController::OnOK() { CollectInput(); }

// The adapter pulled out in each exchange of the setup tool, over the
// simulator's real pseudo-terminals: during the device check, in the middle
// of the 1541-byte read, and between two variables of a write. Each click
// ends with the tool's own words, the port closed; the next one reports the
// open failure, and once the adapter is back the tool works again.

#include "sensorlink/sensor_session.h"
#include "setup/setup_controller.h"
#include "setup/setup_dlg.h"
#include "setup/setup_settings.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/simulated_bus.h"
#include "tests/support/temp_dir.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

using Texts = std::vector<std::string>;
using kv275sim::BusCounters;
using kv275sim::Request;

TEST(SetupUnplugged, EachExchangeEndsWithTheToolsWordsAndWorksAgainOnceTheAdapterIsBack) {
    struct Case {
        const char* exchange;
        bool write;
        kv275sim::UnplugRule unplug;  // cuts the exchange at one exact point, however busy the machine
        Texts said;
    };
    const std::vector<Case> cases{
        {"the device check", false,
         [](const Request& r, const BusCounters&) {
             return r.kind == Request::Kind::AngleQuery ? std::optional<size_t>(0) : std::nullopt;
         },
         {"COM Error|GetKV275degrees:no data received.",
          "Device/COM Error|The device does not work as expected.\nPlease check the device and the connection."}},
        {"the middle of the 1541-byte read", false,
         [](const Request& r, const BusCounters&) {
             return r.kind == Request::Kind::ReadVariables ? std::optional<size_t>(700) : std::nullopt;
         },
         {"COM Error|ReadVariables:the variables could not be transmitted."}},
        {"a write between two variables", true,
         [](const Request& r, const BusCounters& c) {
             return r.kind == Request::Kind::WriteVariable && c.writesAccepted == 3 ? std::optional<size_t>(0)
                                                                                     : std::nullopt;
         },
         {"COM Error|WriteVariable:the variable could not be transmitted."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exchange);
        testsupport::TempDir dir;
        testsupport::MessageBoxRecorder boxes;
        kv275sim::SimulatorOptions options;
        options.directory = dir.path();
        options.sensors = {{178, kv275sim::AngleMotion::fixed(12.5)}};
        options.answerDelayMs = 1;
        testsupport::SimulatedBus bus(options);
        bus.sim().bus().setUnplugRule(c.unplug);
        SetupSettings settings;
        settings.ShowAddressQuestion = 0;
        CSensorSession session(settings, SessionForm::Setup);
        CSetupDlg dialog(settings, session);
        dialog.show();
        dialog.currentAddressBox()->lineEdit()->setText("178");
        dialog.controller().OnKillFocusValue();
        QPushButton* button = c.write ? dialog.writeButton() : dialog.readButton();
        const QString error = c.write ? "<- write variables (error)" : "-> read variables (error)";

        button->click();
        EXPECT_EQ(boxes.summary(), c.said);
        EXPECT_EQ(button->text(), error);
        EXPECT_FALSE(session.IsOpen());
        EXPECT_FALSE(settings.portInUse[0]);

        boxes.calls.clear();
        button->click();
        EXPECT_EQ(boxes.summary(), (Texts{"Error|CCom.Open:No such file or directory",
                                          "COM Error|Serial port could not be opened."}));
        EXPECT_EQ(button->text(), error);

        boxes.calls.clear();
        bus.plugIn();
        button->click();
        EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
        EXPECT_FALSE(button->text().endsWith("(error)")) << button->text().toStdString();
    }
}

}  // namespace

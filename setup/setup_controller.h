#pragma once
// The setup dialog's logic: the five variables it edits, checking what was
// typed, and the read and write sequences with the captions that report
// them. It talks to its window only through SetupView.

#include "sensorlink/variable_frames.h"
#include "setup/setup_view.h"

#include <cstdint>
#include <string>

class CSensorSession;
struct SetupSettings;

class CSetupController {
public:
    CSetupController(SetupSettings& settings, CSensorSession& session, SetupView& view);
    CSetupController(const CSetupController&) = delete;
    CSetupController& operator=(const CSetupController&) = delete;

    // The table's defaults shown, the input valid.
    void OnInitDialog();
    void CollectInput();
    void DisplayValues();
    // An editable field lost the focus to another control: what it holds is
    // taken when it is acceptable and shown in its display form, else the
    // earlier value comes back.
    void OnKillFocusValue();
    void OnReadVariables();
    void OnWriteVariables();
    // "Quit" (or Enter): the port chosen goes into the settings to be saved.
    void OnOK();

    bool inputValid() const { return inputValid_; }
    const VariableTable& variables() const { return table_; }
    VariableTable& variables() { return table_; }

private:
    void setWriteCaptionAtRest();

    SetupSettings& settings_;
    CSensorSession& session_;
    SetupView& view_;
    bool inputValid_ = true;
    VariableTable table_{};
};

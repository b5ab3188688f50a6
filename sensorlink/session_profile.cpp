#include "sensorlink/session_profile.h"

namespace {

// The scanner and the timing tool speak German to their users, but the
// scanner chooses English for the query's failure.
const char* scannerQueryFailure(uint8_t language) {
    switch (language) {
    case 1: return "GetKV275degrees: Es wurden keine Daten empfangen.";
    case 2: return "GetKV275degrees: no data received";
    default: return nullptr;
    }
}

// The setup program always tells, in English, whatever the language says.
const char* setupQueryFailure(uint8_t) { return "GetKV275degrees:no data received."; }

constexpr SessionProfile kScanner{
    .inUse = "Das dem KV275 zugewiesene COM Port wird bereits benutzt.",
    .notOpened = "COM Schnittstelle konnte nicht geöffnet werden.",
    .deviceCheck = "Das Gerät funktioniert nicht wie erwartet.\nÜberprüfen Sie bitte das Gerät und die Verbindung.",
    .checkNotClosed = "Und die COM Schnittstelle konnte nicht geschlossen werden.",
    .notClosed = "COM Schnittstelle konnte nicht geschlossen werden.",
    .openStoresEveryMode = false,
    .queryReads = 0,
    .purgesBeforeRequest = true,
    .naksBadReplies = true,
    .pausesAfterFailure = false,
    .keepsCounts = true,
    .queryFailure = scannerQueryFailure,
};

constexpr SessionProfile kSetup{
    .inUse = "The serial port assigned to the KV275 is already in use.",
    .notOpened = "Serial port could not be opened.",
    .deviceCheck = "The device does not work as expected.\nPlease check the device and the connection.",
    .checkNotClosed = "and the serial port could not be closed.",
    .notClosed = "Serial port could not be closed.",
    .openStoresEveryMode = true,
    .queryReads = 1,
    .purgesBeforeRequest = false,
    .naksBadReplies = false,
    .pausesAfterFailure = true,
    .keepsCounts = false,
    .queryFailure = setupQueryFailure,
};

}  // namespace

const SessionProfile& ProfileOf(SessionForm form) { return form == SessionForm::Setup ? kSetup : kScanner; }

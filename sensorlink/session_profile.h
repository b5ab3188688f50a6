#pragma once
// What sets the two forms of the sensor session apart, chosen once when the
// session is made. The scanner and the timing tool share the full form; the
// setup program's is reduced: English messages, an open that always stores
// its mode, and an angle query of one attempt without purge or NAK, with no
// counters, whose failure box always shows.

#include <cstdint>

enum class SessionForm { Scanner, Setup };

struct SessionProfile {
    // The open's and the close's own boxes.
    const char* inUse;
    const char* notOpened;
    const char* deviceCheck;
    const char* checkNotClosed;
    const char* notClosed;

    // The open stores every mode it is given as skipDeviceCheck; otherwise
    // mode -1 opens without the device check and leaves it as it was.
    bool openStoresEveryMode;

    // Reads one angle query makes; 0: as many as the session's `attempts`.
    int32_t queryReads;
    // The port is purged before the request, dropping a late reply.
    bool purgesBeforeRequest;
    // A bad reply is answered with NAK, so the next read takes it again
    // (never after the last read: nothing would take the repeat).
    bool naksBadReplies;
    // 15 ms more after the last bad reply, before the failure box.
    bool pausesAfterFailure;
    // The query counts itself, its reads, NAKs and read time.
    bool keepsCounts;
    // The query's failure box for the session's message language (0 none,
    // 1 German, 2 English); nullptr: no box.
    const char* (*queryFailure)(uint8_t messageLanguage);
};

const SessionProfile& ProfileOf(SessionForm form);

#pragma once
// Recognises requests in the byte stream a sensor receives. A byte that does
// not fit the frame under way drops that frame; an address byte always starts
// a new one, so a tool that gives up half-way and asks again is understood.
//
// A write frame is taken only in the form the tools send it: exactly three
// digits for the variable number, the value as "%05ld" makes it (a minus sign
// first, at least five characters, a longer value in full, at most eleven),
// each closed by CR, then ETB, exactly two upper-case hexadecimal checksum
// digits and "$". Any other form is dropped unanswered; a frame of that form
// with a wrong checksum, number or value comes back as a write that is not
// valid, which the sensor answers with NAK.

#include "sim/request.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kv275sim {

class RequestParser {
public:
    // Feeds one received byte; returns the request it completes, if any.
    std::optional<Request> feed(uint8_t byte);

    // Forgets a frame under way.
    void reset();

private:
    enum class State { Idle, Addressed, WriteCommand, WriteNumber, WriteValue, WriteChecksum, WriteEnd };

    std::optional<Request> feedIdle(uint8_t byte);
    Request finishWrite() const;

    State state_ = State::Idle;
    uint8_t address_ = 0;
    std::string number_;
    std::string value_;
    std::string checksum_;
};

}  // namespace kv275sim

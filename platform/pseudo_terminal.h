#pragma once
// Recognises a pseudo-terminal, whose other end is a program rather than a
// line: it has no modem lines, and output written to it is gone from our
// side at once, so purging output there would drop nothing real.

namespace platform {

// True when the open descriptor is a terminal and a pseudo-terminal.
bool isPseudoTerminal(int fd);

}  // namespace platform

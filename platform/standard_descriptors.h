#pragma once
// Descriptors 0, 1 and 2 belong to standard input, output and error. A
// program started with one of them closed (by a launcher, or `prog >&-`)
// would hand that number to the next file it opens: a serial port would
// become standard output, and a message meant for the terminal would go out
// on the bus.

namespace platform {

// Puts /dev/null on each of the descriptors 0, 1 and 2 that is closed.
// Called first in every program's main(), before anything is opened. A
// program that cannot have /dev/null ends at once (status 127) rather than
// run with a port where its output goes.
void ensureStandardDescriptors();

}  // namespace platform

#pragma once
// What kv275 tells the shell.

namespace kvcli {

enum ExitStatus : int {
    kExitOk = 0,
    // The bus did not answer as asked: a sensor silent or garbled past its
    // retries, a transfer not acknowledged or not read back, the adapter gone,
    // the port not opened, the output not written.
    kExitFailed = 1,
    // The command line (or a file it names) was refused before the port was touched.
    kExitUsage = 2,
};

}  // namespace kvcli

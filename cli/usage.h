#pragma once
// What kv275 --help and its usage messages say.

#include <string>

namespace kvcli {

// The help of one command ("scan", "read", "times", "vars"), or of the
// program as a whole for "".
std::string HelpText(const std::string& topic);

// The one-line usage of a command as it stands in an error message
// ("read", "vars set"); for "" the list of commands.
std::string Synopsis(const std::string& command);

// "kv275 1.0.0".
std::string VersionText();

}  // namespace kvcli

#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace la {

// Reads an option that takes a value, written either "--name VALUE" or "--name=VALUE". When
// arguments[i] is that option, stores the value (empty when none is given), moves i onto
// the last argument used and returns true; for any other argument returns false.
bool takeOptionValue(const std::vector<std::string> &arguments, std::size_t &i,
                     const std::string &name, std::string &value);

// Where the port is read from: --simulate or --port-library PATH. The analyzer and
// logic-capture take the same two options with the same messages.
struct PortSource
{
    bool simulate = false;
    std::string portLibrary; // absolute path of a user's own port library, or empty

    // The port library to use: the user's own, the simulated probe, or the hardware one,
    // all but the first found in `libraryDir`.
    std::string portLibraryPath(const std::string &libraryDir) const;

    // Takes arguments[i] if it is one of the two options (moving i past a separate path) and
    // returns true; sets `error` when the option lacks its path. Returns false for anything
    // else.
    bool takeOption(const std::vector<std::string> &arguments, std::size_t &i,
                    std::string &error);
    // The message for choosing both sources at once, or empty.
    std::string conflict() const;

    // The help lines of the two options, as both programs print them.
    static const char *usageLines();
};

// What the command line asks of the analyzer. The command line is the only input read at
// start: no environment variable and no file.
struct CommandLine : PortSource
{
    enum class Action { Run, Help, Version, Error };

    Action action = Action::Run;
    std::string error; // for Action::Error: one line that says what is wrong

    static CommandLine parse(const std::vector<std::string> &arguments);
    static std::string usage(const std::string &program);
};

} // namespace la

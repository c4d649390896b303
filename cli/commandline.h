#pragma once

#include "acquisition/portlibs/parportdevices.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace la {

// What the command lines of the analyzer and logic-capture share: --help, --version, where
// the port is read from (--simulate or --port-library PATH) and its base (--base ADDRESS),
// and the one message for an option that is not understood. The command line is the only
// input read at start: no environment variable and no file, but the kernel's list of
// parallel ports when --base names a base off the legacy ones.
struct CommandLine
{
    enum class Action
    {
        Run,
        Help,
        Version,
        Error
    };

    // An option of one program alone: its long name, its one-letter name (0 for none),
    // whether it takes a value ("--name VALUE" or "--name=VALUE"), and what to do with it:
    // `take` gets the value (empty when none was given) and sets `error` when it is wrong.
    struct OwnOption
    {
        const char *name;
        char letter;
        bool takesValue;
        std::function<void(const std::string &value, std::string &error)> take;
    };
    // The machine's parallel ports; listParports() unless a test gives its own.
    using PortLister = std::function<std::vector<ParportDevice>()>;

    Action action = Action::Run;
    std::string error; // for Action::Error: one line that says what is wrong
    bool simulate = false;
    std::string portLibrary; // absolute path of a user's own port library, or empty
    // --base: a legacy base or the base of a port the kernel lists; empty when not given.
    std::optional<std::uint16_t> base;

    // Reads the arguments with getopt_long, in order, and stops at the first that is wrong;
    // `ownOptions` are the program's own. `listPorts` is asked only for a base off the
    // legacy ones.
    static CommandLine parse(const std::vector<std::string> &arguments,
                             const std::vector<OwnOption> &ownOptions = {},
                             const PortLister &listPorts = {});

    // An I/O address in hex, as "0xD010", "&HD010" or "D010", in either case, at most four
    // digits; nothing for anything else.
    static std::optional<std::uint16_t> parseAddress(const std::string &text);

    // The port library to use: the user's own, or the simulated probe's or the hardware
    // one, found in `libraryDir`.
    std::string portLibraryPath(const std::string &libraryDir) const;
    // The same, with the shipped libraries beside the running program. Throws PortError
    // when the program cannot find itself.
    std::string portLibraryPath() const;

    // The help lines of the port options, and of --help and --version, as both programs
    // print them.
    static const char *portUsageLines();
    static const char *helpUsageLines();
    // The analyzer's help.
    static std::string usage(const std::string &program);

    // For Help, Version and Error: prints what both programs print (help and version on
    // standard output, the error with a pointer to --help on standard error) and returns
    // the exit status. For Run: nothing, and no status.
    std::optional<int> finishEarly(const std::string &program, const std::string &help) const;
};

} // namespace la

#include "acquisition/portlibs/parportdevices.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <unistd.h>

namespace la {

namespace fs = std::filesystem;

namespace {

// The base from the text of a base-addr file: the base and the high base in decimal,
// separated by a tab ("888\t0" is 0x378). Empty when the text holds no 16-bit base.
std::optional<std::uint16_t> parseBaseAddr(std::string_view text)
{
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() || value > 0xFFFF)
        return std::nullopt;
    if (end != text.data() + text.size() && *end != '\t' && *end != ' ' && *end != '\n')
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::string fileText(const fs::path &path)
{
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The port number of a parportN entry, or nothing for any other name.
std::optional<int> portNumber(const std::string &name)
{
    const std::string_view prefix = "parport";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    int number = 0;
    const char *first = name.data() + prefix.size();
    const char *last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return number;
}

// Opens the device as the hardware library would, and closes it at once. Opening a ppdev
// device does not claim the port.
void checkAccess(ParportDevice &port)
{
    const int fd = open(port.device.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        port.problem = deviceProblem(port.device, errno);
        return;
    }
    close(fd);
    port.usable = true;
}

} // namespace

std::string deviceProblem(const std::string &device, int error)
{
    std::string text = device + ": " + std::strerror(error);
    switch (error) {
    case EACCES:
    case EPERM:
        return text + " (add yourself to group lp: sudo adduser $USER lp, then log in again)";
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return text + LoadPpdevHint;
    case EBUSY:
        return text + " (another program or driver holds the port)";
    default:
        return text;
    }
}

std::vector<ParportDevice> listParports(const std::string &procRoot, const std::string &devRoot)
{
    std::vector<ParportDevice> ports;
    std::error_code error;
    fs::directory_iterator dir(fs::path(procRoot) / "sys/dev/parport", error);
    for (; !error && dir != fs::directory_iterator(); dir.increment(error)) {
        const std::optional<int> number = portNumber(dir->path().filename().string());
        if (!number)
            continue;
        const std::optional<std::uint16_t> base =
            parseBaseAddr(fileText(dir->path() / "base-addr"));
        if (!base)
            continue;
        ParportDevice port;
        port.number = *number;
        port.base = *base;
        port.device = devRoot + "/parport" + std::to_string(*number);
        port.modes = fileText(dir->path() / "modes");
        while (!port.modes.empty() && std::isspace(static_cast<unsigned char>(port.modes.back())))
            port.modes.pop_back();
        checkAccess(port);
        ports.push_back(std::move(port));
    }
    std::sort(ports.begin(), ports.end(),
              [](const ParportDevice &a, const ParportDevice &b) { return a.number < b.number; });
    return ports;
}

} // namespace la

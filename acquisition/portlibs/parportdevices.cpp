#include "acquisition/portlibs/parportdevices.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

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

} // namespace

std::vector<ParportDevice> listParports(const std::string &procRoot)
{
    std::vector<ParportDevice> ports;
    std::error_code error;
    fs::directory_iterator dir(fs::path(procRoot) / "sys/dev/parport", error);
    for (; !error && dir != fs::directory_iterator(); dir.increment(error)) {
        const std::string name = dir->path().filename().string();
        const std::string_view prefix = "parport";
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        int number = 0;
        const char *first = name.data() + prefix.size();
        const char *last = name.data() + name.size();
        const auto [end, parseError] = std::from_chars(first, last, number);
        if (parseError != std::errc() || end != last)
            continue;
        std::ifstream file(dir->path() / "base-addr");
        const std::string text{std::istreambuf_iterator<char>(file), {}};
        if (const auto base = parseBaseAddr(text))
            ports.push_back({number, *base});
    }
    std::sort(ports.begin(), ports.end(),
              [](const ParportDevice &a, const ParportDevice &b) { return a.number < b.number; });
    return ports;
}

} // namespace la

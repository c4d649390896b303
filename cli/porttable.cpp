#include "cli/porttable.h"

#include "acquisition/parallelport.h"

#include <algorithm>
#include <array>

namespace la {

namespace {

using Row = std::array<std::string, 4>;

Row rowOf(const ParportDevice &port)
{
    std::string use = "yes";
    if (!port.usable) {
        // The problem names the device, which has a column of its own.
        std::string why = port.problem;
        if (why.compare(0, port.device.size() + 2, port.device + ": ") == 0)
            why.erase(0, port.device.size() + 2);
        use = "no: " + why;
    }
    return {hexAddress(port.base), port.device, port.modes.empty() ? "?" : port.modes, use};
}

} // namespace

std::string portTable(const std::vector<ParportDevice> &ports)
{
    if (ports.empty()) {
        return "No parallel port found: the kernel lists none in /proc/sys/dev/parport (are its "
               "drivers loaded? sudo modprobe -a parport_pc ppdev). A USB printer adapter has no "
               "port to read; --simulate reads the simulated probe.\n";
    }
    std::vector<Row> rows{{"base", "device", "modes", "usable"}};
    for (const ParportDevice &port : ports)
        rows.push_back(rowOf(port));
    std::array<std::size_t, 3> widths{};
    for (const Row &row : rows) {
        for (std::size_t column = 0; column < widths.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    std::string table;
    for (const Row &row : rows) {
        for (std::size_t column = 0; column < widths.size(); ++column)
            table += row[column] + std::string(widths[column] - row[column].size() + 2, ' ');
        table += row.back() + '\n';
    }
    return table;
}

} // namespace la

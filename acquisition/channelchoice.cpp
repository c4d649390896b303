#include "acquisition/channelchoice.h"

#include <algorithm>
#include <sstream>

namespace la {

namespace {

const std::string Allowed =
    "list lines from ch1..ch5 (status), d0..d7 (data) and c0..c3 (control), alone or as "
    "ranges such as d0-d7, each at most once, a line named if you like, joined by commas, "
    "e.g. ch5=RX,d0-d7,c0=CS";

// Letters, digits and _ only: a VCD identifier, a CSV header cell and a sigrok decoder
// option (uart:rx=RX) all take such a name as it is.
const std::string NameRule = "a name is a letter or _ followed by letters, digits or _, at "
                             "most 32 characters";
constexpr std::size_t MostNameLength = 32;

struct LineKind
{
    const char *prefix;
    PortRegister reg;
    int firstNumber;
    const char *word;   // "there is no channel 6"
    const char *plural; // "the channels are ch1 to ch5"
};

// "ch" before "c": a channel's id starts with the control lines' prefix.
constexpr LineKind Kinds[] = {
    {"ch", PortRegister::Status, 1, "channel", "channels"},
    {"d", PortRegister::Data, 0, "data line", "data lines"},
    {"c", PortRegister::Control, 0, "control line", "control lines"},
};

// The index of the first line of a register, and how many it has.
std::pair<std::size_t, std::size_t> linesOf(PortRegister reg)
{
    std::size_t first = PortLines.size(), count = 0;
    for (std::size_t i = 0; i < PortLines.size(); ++i) {
        if (PortLines[i].reg == reg) {
            first = std::min(first, i);
            ++count;
        }
    }
    return {first, count};
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isName(const std::string &name)
{
    return !name.empty() && name.size() <= MostNameLength && isLetter(name[0]) &&
           std::all_of(name.begin(), name.end(),
                       [](char c) { return isLetter(c) || (c >= '0' && c <= '9'); });
}

// One line or a range of them, as written; sets error and returns nothing when wrong.
std::optional<std::vector<std::size_t>> parseLines(const std::string &lines,
                                                   const std::string &entry, std::string &error)
{
    const std::size_t dash = lines.find('-');
    auto one = [&](const std::string &id) -> std::optional<std::size_t> {
        const std::optional<std::size_t> line = parseLineId(id, entry, error);
        if (!line && error.empty())
            error = "'" + entry + "' is not a line: " + Allowed;
        return line;
    };
    const std::optional<std::size_t> first = one(lines.substr(0, dash));
    if (!first)
        return std::nullopt;
    if (dash == std::string::npos)
        return std::vector<std::size_t>{*first};
    const std::optional<std::size_t> last = one(lines.substr(dash + 1));
    if (!last)
        return std::nullopt;
    if (PortLines[*first].reg != PortLines[*last].reg) {
        error = "'" + lines +
                "' runs across two kinds of line: a range stays within ch1-ch5, "
                "d0-d7 or c0-c3";
        return std::nullopt;
    }
    std::vector<std::size_t> range;
    const int step = *last >= *first ? 1 : -1;
    for (std::size_t i = *first;; i += static_cast<std::size_t>(step)) {
        range.push_back(i);
        if (i == *last)
            break;
    }
    return range;
}

} // namespace

ChannelChoice::ChannelChoice()
{
    for (std::size_t i = 0; i < PortLines.size(); ++i) {
        if (PortLines[i].reg == PortRegister::Status) {
            m_lines.push_back({i, std::string(PortLines[i].id)});
            m_bits |= PortLines[i].mask();
        }
    }
}

std::optional<ChannelChoice> ChannelChoice::parse(const std::string &text, std::string &error)
{
    if (text.empty()) {
        error = "--channels needs a list of lines: " + Allowed;
        return std::nullopt;
    }
    ChannelChoice choice;
    choice.m_lines.clear();
    choice.m_bits = 0;
    std::istringstream entries(text + ",");
    std::string entry;
    while (std::getline(entries, entry, ',')) {
        if (entry.empty()) {
            error = "the list '" + text + "' has an empty entry: " + Allowed;
            return std::nullopt;
        }
        const std::size_t equals = entry.find('=');
        const std::string lines = entry.substr(0, equals);
        const std::optional<std::vector<std::size_t>> chosen = parseLines(lines, entry, error);
        if (!chosen)
            return std::nullopt;
        std::string name;
        if (equals != std::string::npos) {
            name = entry.substr(equals + 1);
            if (chosen->size() > 1 || lines.find('-') != std::string::npos) {
                error = "'" + entry + "' names a range: a name belongs to one line, e.g. " +
                        std::string(PortLines[chosen->front()].id) + "=" +
                        (isName(name) ? name : "D") + "0";
                return std::nullopt;
            }
            if (name.empty()) {
                error = "'" + entry + "' gives no name: write one after the =, e.g. " + lines +
                        "=RX, or leave out the =";
                return std::nullopt;
            }
            if (!isName(name)) {
                error = "'" + name + "' in '" + entry + "' is not a name: " + NameRule;
                return std::nullopt;
            }
        }
        for (const std::size_t line : *chosen) {
            const PortLine &port = PortLines[line];
            if (choice.m_bits & port.mask()) {
                error = std::string(port.id) + " appears twice in the list '" + text +
                        "': choose each line once";
                return std::nullopt;
            }
            choice.m_bits |= port.mask();
            choice.m_lines.push_back({line, name.empty() ? std::string(port.id) : name});
        }
    }
    for (auto a = choice.m_lines.begin(); a != choice.m_lines.end(); ++a) {
        for (auto b = a + 1; b != choice.m_lines.end(); ++b) {
            if (a->name == b->name) {
                error = "two lines are named " + a->name + " in '" + text +
                        "': give each line a name of its own";
                return std::nullopt;
            }
        }
    }
    return choice;
}

std::optional<std::size_t> parseLineId(const std::string &id, const std::string &within,
                                       std::string &error)
{
    for (const LineKind &kind : Kinds) {
        const std::string prefix = kind.prefix;
        if (id.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string number = id.substr(prefix.size());
        if (number.empty() || number.size() > 6 ||
            number.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const auto [first, count] = linesOf(kind.reg);
        const int n = std::stoi(number) - kind.firstNumber;
        if (n < 0 || n >= static_cast<int>(count)) {
            const std::string lowest = prefix + std::to_string(kind.firstNumber);
            const std::string highest =
                prefix + std::to_string(kind.firstNumber + static_cast<int>(count) - 1);
            error = "there is no " + std::string(kind.word) + " " + number + " in '" + within +
                    "': the " + kind.plural + " are " + lowest + " to " + highest;
            return std::nullopt;
        }
        return first + static_cast<std::size_t>(n);
    }
    return std::nullopt;
}

std::string lineNames(SampleWord bits)
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < PortLines.size(); ++i) {
        if (!(bits & PortLines[i].mask()))
            continue;
        // A run of three or more neighbours in one register becomes a range.
        std::size_t last = i;
        while (last + 1 < PortLines.size() && PortLines[last + 1].reg == PortLines[i].reg &&
               (bits & PortLines[last + 1].mask()))
            ++last;
        if (last >= i + 2) {
            names.push_back(std::string(PortLines[i].id) + "-" + std::string(PortLines[last].id));
            i = last;
        } else {
            names.push_back(std::string(PortLines[i].id));
        }
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

} // namespace la

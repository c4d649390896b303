#include "acquisition/trigger.h"

#include "acquisition/channels.h"

#include <sstream>

namespace la {

namespace {

const char *const Allowed =
    "write chN:rise, chN:fall, chN:edge, chN:high or chN:low with N from 1 to 5, and join "
    "terms with commas, e.g. ch5:fall or ch1:high,ch5:fall";

} // namespace

std::optional<TriggerCondition> TriggerCondition::parse(const std::string &text, std::string &error)
{
    if (text.empty()) {
        error = "--trigger needs a condition: " + std::string(Allowed);
        return std::nullopt;
    }
    TriggerCondition condition;
    condition.m_text = text;
    unsigned channelsSeen = 0;
    std::string edgeTerm;
    std::istringstream terms(text + ",");
    std::string term;
    while (std::getline(terms, term, ',')) {
        if (term.empty()) {
            error = "the trigger '" + text + "' has an empty term: " + Allowed;
            return std::nullopt;
        }
        const std::size_t colon = term.find(':');
        const std::string channel = term.substr(0, colon);
        const std::string number = channel.size() > 2 ? channel.substr(2) : std::string();
        if (channel.compare(0, 2, "ch") != 0 || number.empty() || number.size() > 6 ||
            number.find_first_not_of("0123456789") != std::string::npos) {
            error = "'" + term + "' is not a trigger term: " + Allowed;
            return std::nullopt;
        }
        const int n = std::stoi(number);
        if (n < 1 || n > 5) {
            error =
                "there is no channel " + number + " in '" + term + "': the channels are ch1 to ch5";
            return std::nullopt;
        }
        if (colon == std::string::npos) {
            error = "'" + term + "' says no condition: " + Allowed;
            return std::nullopt;
        }
        const std::string what = term.substr(colon + 1);
        const ChannelWire &wire = ChannelWires[static_cast<std::size_t>(n - 1)];
        const unsigned bit = wire.mask;
        // The raw bit of a high line: set, or clear on the inverted Busy line.
        const unsigned highBits = wire.inverted ? 0 : bit;
        const unsigned lowBits = bit ^ highBits;
        if (channelsSeen & (1u << n)) {
            error = "ch" + std::to_string(n) + " appears twice in the trigger '" + text +
                    "': give each channel one term";
            return std::nullopt;
        }
        channelsSeen |= 1u << n;
        const bool edge = what == "rise" || what == "fall" || what == "edge";
        if (edge && !edgeTerm.empty()) {
            error = "the trigger '" + text + "' has two edge terms (" + edgeTerm + ", " + term +
                    "): it can wait for one edge at a time";
            return std::nullopt;
        }
        if (edge)
            edgeTerm = term;
        if (what == "high" || what == "rise") {
            condition.m_mask |= bit;
            condition.m_value |= highBits;
        }
        if (what == "low" || what == "fall") {
            condition.m_mask |= bit;
            condition.m_value |= lowBits;
        }
        if (what == "rise") {
            condition.m_beforeMask |= bit;
            condition.m_beforeValue |= lowBits;
        } else if (what == "fall") {
            condition.m_beforeMask |= bit;
            condition.m_beforeValue |= highBits;
        } else if (what == "edge") {
            condition.m_changeMask |= bit;
        } else if (what != "high" && what != "low") {
            error = "'" + what + "' in '" + term +
                    "' is not a condition: use rise, fall, edge, high or low";
            return std::nullopt;
        }
    }
    return condition;
}

} // namespace la

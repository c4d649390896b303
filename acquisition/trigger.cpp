#include "acquisition/trigger.h"

#include "acquisition/channelchoice.h"

#include <sstream>

namespace la {

namespace {

const char *const Allowed =
    "write L:rise, L:fall, L:edge, L:high or L:low with L a line ch1..ch5, d0..d7 or c0..c3, "
    "and join terms with commas, e.g. ch5:fall or ch1:high,d3:rise";

} // namespace

std::optional<TriggerCondition> TriggerCondition::parse(const std::string &text, std::string &error)
{
    if (text.empty()) {
        error = "--trigger needs a condition: " + std::string(Allowed);
        return std::nullopt;
    }
    TriggerCondition condition;
    condition.m_text = text;
    std::string edgeTerm;
    std::istringstream terms(text + ",");
    std::string term;
    while (std::getline(terms, term, ',')) {
        if (term.empty()) {
            error = "the trigger '" + text + "' has an empty term: " + Allowed;
            return std::nullopt;
        }
        const std::size_t colon = term.find(':');
        const std::optional<std::size_t> line = parseLineId(term.substr(0, colon), term, error);
        if (!line) {
            if (error.empty())
                error = "'" + term + "' is not a trigger term: " + Allowed;
            return std::nullopt;
        }
        if (colon == std::string::npos) {
            error = "'" + term + "' says no condition: " + Allowed;
            return std::nullopt;
        }
        const std::string what = term.substr(colon + 1);
        const PortLine &wire = PortLines[*line];
        const SampleWord bit = wire.mask();
        // The register bit of a high pin: set, or clear on a line the port inverts.
        const SampleWord highBits = wire.inverted ? 0 : bit;
        const SampleWord lowBits = bit ^ highBits;
        if (condition.lines() & bit) {
            error = std::string(wire.id) + " appears twice in the trigger '" + text +
                    "': give each line one term";
            return std::nullopt;
        }
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

std::string TriggerCondition::notChosen(SampleWord chosen) const
{
    const SampleWord missing = lines() & ~chosen;
    if (!missing)
        return {};
    const bool one = (missing & (missing - 1)) == 0;
    return "the trigger '" + m_text + "' watches " + lineNames(missing) + ", which " +
           (one ? "is" : "are") + " not among the lines --channels chooses: add " +
           (one ? "it" : "them") + " there, or trigger on a chosen line";
}

} // namespace la

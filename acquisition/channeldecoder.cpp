#include "acquisition/channeldecoder.h"

#include "acquisition/channels.h"
#include "state/shapemodel.h"

namespace la {

void decode_channels(GlobalData &data, const std::array<ShapeModel *, 5> &lamps)
{
    const auto traces = data.traces();
    for (std::size_t k = 0; k < Channels.size(); ++k) {
        const Channel &channel = Channels[k];
        Trace &trace = *traces[k];
        for (int i = FirstSample; i <= LastSample; ++i) {
            const bool high = lineHigh(data.samples[i].value_or(0), k);
            trace[i] = high ? channel.upperLevel : channel.lowerLevel;
        }
        lamps[k]->setBackColour(trace[LastSample] == channel.upperLevel ? LampLit : LampUnlit);
    }
}

} // namespace la

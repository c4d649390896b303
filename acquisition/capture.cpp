#include "acquisition/capture.h"

#include "acquisition/capturesummary.h"

namespace la {

std::string describeCapture(const Capture &capture)
{
    return describeSummary(summarize(capture));
}

} // namespace la

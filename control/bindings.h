#pragma once

namespace la {

class Instrument;

// Gives every control of both windows its handler. The one place that answers "which
// control runs which handler"; the handlers themselves know no controls' events.
void bindHandlers(Instrument &instrument);

} // namespace la

#include "state/instrumentstate.h"

#include "state/int16.h"

namespace la {

void GlobalData::setDataPort(std::int16_t base)
{
    data_port = base;
    status_port = add16(data_port, 1);
    control_port = add16(data_port, 2);
}

} // namespace la

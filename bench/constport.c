/* A port library that answers every read with the same status byte and ignores writes. */
#include <stdint.h>

int16_t Inp32(int16_t address)
{
    (void)address;
    return 0xD8; /* what an idle legacy port's status register reads */
}

void Out32(int16_t address, int16_t value)
{
    (void)address;
    (void)value;
}

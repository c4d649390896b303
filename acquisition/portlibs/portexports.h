#pragma once

#include <cstdint>

// What a port library exports, with C linkage so that the analyzer finds the functions by
// name; everything else in the libraries stays hidden.
#define LA_PORT_EXPORT __attribute__((visibility("default")))

extern "C" {
LA_PORT_EXPORT std::int16_t Inp32(std::int16_t address);
LA_PORT_EXPORT void Out32(std::int16_t address, std::int16_t value);
LA_PORT_EXPORT const char *PortLastError(void);
// Where reads of `address` come from, e.g. "the simulated probe"; null when unknown.
LA_PORT_EXPORT const char *PortSource(std::int16_t address);
// What the route to the port reads besides the status register, as bits (DataPinsReadable,
// ControlPinsReadable in acquisition/channels.h), with *modes the kernel's modes for a port
// reached through its driver, else null; -1 when the port cannot be reached.
LA_PORT_EXPORT int PortInputs(std::int16_t address, const char **modes);
}

// A stand-in port library for the loader's tests: Inp32 returns the low byte of the address,
// PortInputs what TestPortInputs() said, and every call is logged for TestPortCalls().
#include <cstdint>
#include <string>
#include <utility>

#define LA_FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::string calls, pendingError, takenError;
int readable = 0;
const char *modes = nullptr;
} // namespace

#ifndef LA_FAKE_WITHOUT_INP32
LA_FAKE_EXPORT std::int16_t Inp32(std::int16_t address)
{
    calls += "in " + std::to_string(address) + ";";
    return static_cast<std::int16_t>(address & 0xFF);
}
#endif

#ifndef LA_FAKE_WITHOUT_OUT32
LA_FAKE_EXPORT void Out32(std::int16_t address, std::int16_t value)
{
    calls += "out " + std::to_string(address) + " " + std::to_string(value) + ";";
}
#endif

#ifndef LA_FAKE_WITHOUT_LAST_ERROR
LA_FAKE_EXPORT const char *PortLastError(void)
{
    takenError = std::exchange(pendingError, {});
    return takenError.empty() ? nullptr : takenError.c_str();
}
#endif

#ifndef LA_FAKE_WITHOUT_INPUTS
LA_FAKE_EXPORT int PortInputs(std::int16_t address, const char **kernelModes)
{
    calls += "inputs " + std::to_string(address) + ";";
    *kernelModes = modes;
    return readable;
}
#endif

// What PortInputs answers from now on; `kernelModes` must outlive the calls.
LA_FAKE_EXPORT void TestPortInputs(int answer, const char *kernelModes)
{
    readable = answer;
    modes = kernelModes;
}

// The calls so far, addresses and values in decimal: "in 889;out 888 165;".
LA_FAKE_EXPORT const char *TestPortCalls(void)
{
    return calls.c_str();
}

// Makes the next PortLastError() return message.
LA_FAKE_EXPORT void TestPortFail(const char *message)
{
    pendingError = message;
}

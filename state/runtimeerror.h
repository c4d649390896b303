#pragma once

#include <stdexcept>
#include <string>

namespace la {

// A run-time error that no handler expects: it abandons the running handler, is reported,
// and ends the program (see EventGate). Port failures derive from it but are caught where a
// clean recovery exists.
class RuntimeError : public std::runtime_error
{
public:
    enum class Kind
    {
        Overflow,
        IndexOutOfRange,
        TypeMismatch,
        InvalidProperty,
        PortAccess
    };

    RuntimeError(Kind kind, const std::string &what);

    Kind kind() const { return m_kind; }
    // A short name of the kind, e.g. "Overflow", for the report's title.
    std::string kindName() const;

private:
    Kind m_kind;
};

} // namespace la

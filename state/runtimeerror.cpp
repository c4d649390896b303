#include "state/runtimeerror.h"

namespace la {

RuntimeError::RuntimeError(Kind kind, const std::string &what)
    : std::runtime_error(what), m_kind(kind)
{
}

std::string RuntimeError::kindName() const
{
    switch (m_kind) {
    case Kind::Overflow:
        return "Overflow";
    case Kind::IndexOutOfRange:
        return "Subscript out of range";
    case Kind::TypeMismatch:
        return "Type mismatch";
    case Kind::InvalidProperty:
        return "Invalid property value";
    case Kind::PortAccess:
        return "Port access failed";
    }
    return "Error";
}

} // namespace la

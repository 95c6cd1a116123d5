#include "KWRoot/Exceptions.h"

#include <cstdio>
#include <cstring>

#include "KWRoot/Channels.h"

namespace KW {

KWException::KWException(const char* message, const char* file, int line, int errorCode)
    : message_{}, file_(file), line_(line), errorCode_(errorCode) {
    if (message != nullptr) std::snprintf(message_, sizeof message_, "%s", message);
}

KWException::KWException(const KWException& other) = default;
KWException& KWException::operator=(const KWException& other) = default;
KWException::~KWException() = default;

const char* KWException::Name() const {
    return "KW::KWException";
}

void KWException::Report(OChannel& channel) const {
    char line[512];
    std::snprintf(line, sizeof line, "%s: %s (%s:%d, code %d)\n", Name(), message_,
                  file_ ? file_ : "?", line_, errorCode_);
    channel.WriteText(line);
}

const char* GeneralException::Name() const {
    return "KW::GeneralException";
}
const char* LogicErrorException::Name() const {
    return "KW::LogicErrorException";
}
const char* PreconditionException::Name() const {
    return "KW::PreconditionException";
}
const char* IllegalArgumentException::Name() const {
    return "KW::IllegalArgumentException";
}
const char* OutOfMemoryException::Name() const {
    return "KW::OutOfMemoryException";
}

} // namespace KW

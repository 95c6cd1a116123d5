// Exception classes of the root library. Each carries a message, a source
// file, a line and an error code, any of which may be absent.
#pragma once

#include "KWRoot/Export.h"

namespace KW {

class OChannel;

class KWROOT_API KWException {
public:
    KWException(const char* message = nullptr, const char* file = nullptr, int line = 0,
                int errorCode = 0);
    KWException(const KWException& other);
    KWException& operator=(const KWException& other);
    virtual ~KWException();

    const char* Message() const { return message_; }
    const char* File() const { return file_; }
    int Line() const { return line_; }
    int ErrorCode() const { return errorCode_; }
    // The class name, for reports.
    virtual const char* Name() const;
    // Writes a one-line description of the exception to channel.
    virtual void Report(OChannel& channel) const;

private:
    // Fixed storage: copying an exception must never allocate.
    char message_[256];
    const char* file_;
    int line_;
    int errorCode_;
};

class KWROOT_API GeneralException : public KWException {
public:
    using KWException::KWException;
    const char* Name() const override;
};

class KWROOT_API LogicErrorException : public GeneralException {
public:
    using GeneralException::GeneralException;
    const char* Name() const override;
};

class KWROOT_API PreconditionException : public LogicErrorException {
public:
    using LogicErrorException::LogicErrorException;
    const char* Name() const override;
};

class KWROOT_API IllegalArgumentException : public PreconditionException {
public:
    using PreconditionException::PreconditionException;
    const char* Name() const override;
};

class KWROOT_API OutOfMemoryException : public GeneralException {
public:
    using GeneralException::GeneralException;
    const char* Name() const override;
};

} // namespace KW

#pragma once
// Exception classes of the framework beyond Exception and EConvertError (SysUtils.h).

#include <string>

#include "base/SysUtils.h"

namespace parch {

// A silent exception: it stops an operation without an error message to the user.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
    using Exception::Exception;
};

class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// An index outside a list.
class EListError : public Exception {
public:
    using Exception::Exception;
};

// Streams: a failed read or write of a whole buffer, a file that cannot be created or opened.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A failed operating-system call; ErrorCode is the errno value.
class EOSError : public Exception {
public:
    EOSError(const std::string& message, int errorCode) : Exception(message), ErrorCode(errorCode) {}
    // The message is the system's text for the error code.
    static EOSError FromErrno(int errorCode);
    int ErrorCode;
};

// Floating-point faults that the reading and rendering code turns into errors.
class EMathError : public Exception {
public:
    using Exception::Exception;
};
class EZeroDivide : public EMathError {
public:
    using EMathError::EMathError;
};
class EInvalidOp : public EMathError {
public:
    using EMathError::EMathError;
};
class EOverflow : public EMathError {
public:
    using EMathError::EMathError;
};

}  // namespace parch

// The framework's exception tree. InternalException and ParameterException
// carry the source name, line and their own copy of the message.
#pragma once

#include <cstdint>
#include <exception>
#include <iosfwd>
#include <string>

#include "zev_core/Export.h"

namespace ZEV {

/// The root of the framework's exceptions; hosts catch it for all of them.
class ZEV_API ExceptionBase : public std::exception {
public:
    ExceptionBase() = default;
    ExceptionBase(const ExceptionBase&) = default;
    ExceptionBase& operator=(const ExceptionBase&) = default;
    ~ExceptionBase() override;
    const char* what() const noexcept override;
    /// Writes a description to os: what() here; derived classes add their details.
    virtual void write(std::ostream& os) const;
};

/// A programming error: a broken precondition or invariant, located by the
/// source name and line of the throw (see throwAt).
class ZEV_API LogicalException : public ExceptionBase {
public:
    /// Keeps file as a pointer (a string literal, as throwAt passes it) and
    /// copies message; null for either reads as "".
    LogicalException(const char* file, int line, const char* message);
    LogicalException(const LogicalException&);
    LogicalException& operator=(const LogicalException&);
    ~LogicalException() override;
    const char* what() const noexcept override;
    /// Writes "file(line): message".
    void write(std::ostream& os) const override;
    /// The library-relative source name and the line of the throw. Hosts may
    /// match on them: they are fixed for the throws the interface names.
    ///@{
    const char* file() const;
    int line() const;
    ///@}

private:
    const char* file_;
    int line_;
    std::string message_;
};

/// The runtime itself is in a state it should never reach, or is used out of
/// order (no singleton yet, no current context, a failed GL call).
class ZEV_API InternalException : public LogicalException {
public:
    InternalException(const char* file, int line, const char* message);
    InternalException(const InternalException&) = default;
    InternalException& operator=(const InternalException&) = default;
    ~InternalException() override;
    const char* what() const noexcept override;
};

/// An argument was refused.
class ZEV_API ParameterException : public LogicalException {
public:
    ParameterException(const char* file, int line, const char* message);
    ParameterException(const ParameterException&) = default;
    ParameterException& operator=(const ParameterException&) = default;
    ~ParameterException() override;
    const char* what() const noexcept override;
};

/// A resource ran out: what was asked for, what was available, and an
/// identifier of the resource (such as a GL enumerant).
class ZEV_API ResourceException : public ExceptionBase {
public:
    ResourceException(uint64_t requested = 0, uint64_t available = 0, uint64_t resource = 0);
    ResourceException(const ResourceException&) = default;
    ~ResourceException() override;
    const char* what() const noexcept override;
    void write(std::ostream& os) const override;
    uint64_t requested() const { return requested_; }
    uint64_t available() const { return available_; }
    uint64_t resource() const { return resource_; }

private:
    uint64_t requested_;
    uint64_t available_;
    uint64_t resource_;
};

/// CPU processing stopped; the code says why (for instance the progress status bits).
class ZEV_API CPURuntimeException : public ExceptionBase {
public:
    explicit CPURuntimeException(int32_t code = 0);
    CPURuntimeException(const CPURuntimeException&) = default;
    CPURuntimeException& operator=(const CPURuntimeException&) = default;
    ~CPURuntimeException() override;
    const char* what() const noexcept override;
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

}  // namespace ZEV

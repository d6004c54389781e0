// Out-of-line members of the exception tree.
#include "zev_core/Exceptions.h"

#include <ostream>

namespace ZEV {

ExceptionBase::~ExceptionBase() = default;

const char* ExceptionBase::what() const noexcept { return "ZEV::ExceptionBase"; }

void ExceptionBase::write(std::ostream& os) const { os << what(); }

LogicalException::LogicalException(const char* file, int line, const char* message)
    : file_(file ? file : ""), line_(line), message_(message ? message : "") {}

LogicalException::LogicalException(const LogicalException&) = default;
LogicalException& LogicalException::operator=(const LogicalException&) = default;
LogicalException::~LogicalException() = default;

const char* LogicalException::what() const noexcept { return message_.c_str(); }

void LogicalException::write(std::ostream& os) const {
    os << file_ << '(' << line_ << "): " << message_;
}

const char* LogicalException::file() const { return file_; }
int LogicalException::line() const { return line_; }

InternalException::InternalException(const char* file, int line, const char* message)
    : LogicalException(file, line, message) {}
InternalException::~InternalException() = default;
const char* InternalException::what() const noexcept { return LogicalException::what(); }

ParameterException::ParameterException(const char* file, int line, const char* message)
    : LogicalException(file, line, message) {}
ParameterException::~ParameterException() = default;
const char* ParameterException::what() const noexcept { return LogicalException::what(); }

ResourceException::ResourceException(uint64_t requested, uint64_t available, uint64_t resource)
    : requested_(requested), available_(available), resource_(resource) {}
ResourceException::~ResourceException() = default;
const char* ResourceException::what() const noexcept { return "resource exhausted"; }
void ResourceException::write(std::ostream& os) const {
    os << "resource exhausted: requested " << requested_ << ", available " << available_
       << ", resource " << resource_;
}

CPURuntimeException::CPURuntimeException(int32_t code) : code_(code) {}
CPURuntimeException::~CPURuntimeException() = default;
const char* CPURuntimeException::what() const noexcept { return "CPU processing stopped"; }

}  // namespace ZEV

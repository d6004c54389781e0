// The logging inserter, which indents every line that passes through it, and
// the stream locker that pairs a log stream with the mutex guarding it.
#pragma once

#include <set>
#include <streambuf>

#include "zev_core/Export.h"

namespace ZEV {
class Mutex;

namespace Logging {

/// The inserter of a FilteringOStream that indents every line it passes on.
class ZEV_API LoggingInserter {
public:
    LoggingInserter();
    /// Copies the flag, an independent copy of the set, and the indent, in that order.
    LoggingInserter(const LoggingInserter& other) = default;
    LoggingInserter& operator=(const LoggingInserter& other) = default;
    ~LoggingInserter() = default;

    /// Number of spaces written before the first character of every line;
    /// a negative indent counts as 0.
    void setIndent(int indent);
    int indent() const { return nIndent_; }

    /// Characters after which the next character starts a new line (a newline by default).
    void addLineBreak(long long character) { oLineBreaks_.insert(character); }
    const std::set<long long>& lineBreaks() const { return oLineBreaks_; }

    /// Passes one character on to destination, indenting at line starts.
    /// Returns the character, or end-of-file when the destination refuses it.
    int operator()(std::streambuf& destination, int character);

private:
    bool bAtLineStart_ = true;
    std::set<long long> oLineBreaks_;
    int nIndent_ = 0;
};

/// Names a log stream and the mutex that serialises writers to it, both
/// borrowed. It locks nothing itself; lock() and unlock() go to the mutex
/// when one is given and do nothing otherwise.
class ZEV_API LogStreamLocker {
public:
    LogStreamLocker(std::streambuf* stream = nullptr, Mutex* mutex = nullptr)
        : pStream_(stream), pMutex_(mutex) {}
    LogStreamLocker(const LogStreamLocker&) = default;
    LogStreamLocker& operator=(const LogStreamLocker& other) = default;
    std::streambuf* stream() const { return pStream_; }
    Mutex* mutex() const { return pMutex_; }
    void lock();
    void unlock();

private:
    std::streambuf* pStream_;
    Mutex* pMutex_;
};

}  // namespace Logging
}  // namespace ZEV

// An output stream whose characters each pass through an inserter object on
// their way to another stream's buffer. The log printing uses it with the
// indenting LoggingInserter (Logging.h) to indent the lines of nested
// descriptions.
#pragma once

#include <ostream>
#include <streambuf>

namespace ZEV::Logging {

/// A stream buffer without a buffer of its own: every character goes straight
/// to overflow and from there through the inserter to the destination, so
/// output written around it directly to the destination stays in order.
template <class Inserter>
class FilteringOutputStreambuf : public std::streambuf {
public:
    /// destination is borrowed (it must outlive this buffer) and may be null;
    /// then every character fails.
    explicit FilteringOutputStreambuf(std::streambuf* destination)
        : pDestination_(destination), oInserter_() {}
    ~FilteringOutputStreambuf() override = default;

    Inserter& inserter() { return oInserter_; }

    /// Public, unlike in std::streambuf, so that hosts can drive the buffer directly.
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return sync();
        if (pDestination_ == nullptr) return traits_type::eof();
        return oInserter_(*pDestination_, c);
    }
    int_type underflow() override { return traits_type::eof(); }
    int sync() override { return 0; }

private:
    std::streambuf* pDestination_;
    Inserter oInserter_;
};

/// A std::ostream that writes through its own FilteringOutputStreambuf into
/// target's buffer, which must outlive it. Destroying it neither flushes nor
/// touches target, and a failed character sets only this stream's error state.
template <class Inserter>
class FilteringOStream : private FilteringOutputStreambuf<Inserter>, public std::ostream {
public:
    explicit FilteringOStream(std::ostream& target)
        : FilteringOutputStreambuf<Inserter>(target.rdbuf()), std::ostream(this) {}

    Inserter& inserter() { return FilteringOutputStreambuf<Inserter>::inserter(); }
};

}  // namespace ZEV::Logging

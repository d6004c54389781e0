// The indenting logging inserter and the stream locker.
#include "zev_core/Logging.h"

#include "zev_core/Mutex.h"

namespace ZEV::Logging {

LoggingInserter::LoggingInserter() : oLineBreaks_{'\n'} {}

void LoggingInserter::setIndent(int indent) { nIndent_ = indent < 0 ? 0 : indent; }

int LoggingInserter::operator()(std::streambuf& destination, int character) {
    using Traits = std::streambuf::traits_type;
    const bool lineBreak = oLineBreaks_.count(character) != 0;
    if (bAtLineStart_ && !lineBreak) {
        for (int n = 0; n < nIndent_; ++n) {
            if (Traits::eq_int_type(destination.sputc(' '), Traits::eof())) return Traits::eof();
        }
    }
    const int result = destination.sputc(Traits::to_char_type(character));
    if (Traits::eq_int_type(result, Traits::eof())) return Traits::eof();
    bAtLineStart_ = lineBreak;
    return character;
}

void LogStreamLocker::lock() {
    if (pMutex_) pMutex_->lock();
}

void LogStreamLocker::unlock() {
    if (pMutex_) pMutex_->unlock();
}

}  // namespace ZEV::Logging

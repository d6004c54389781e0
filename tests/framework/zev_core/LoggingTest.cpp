// The indenting logging inserter, the filtering stream buffer and stream that
// pass every character through it, and the stream locker.
#include "zev_core/Logging.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "zev_core/FilteringStream.h"
#include "zev_core/Mutex.h"

namespace ZEV::Logging {
namespace {

using Buffer = FilteringOutputStreambuf<LoggingInserter>;

// Every line but an empty one is indented, a line ending after each line
// break character; a refusing destination gives end-of-file.
TEST(FilteringStream, BufferPassesEveryCharacterThroughTheInserter) {
    std::stringbuf destination;
    Buffer buffer(&destination);
    buffer.inserter().setIndent(2);
    buffer.inserter().addLineBreak(';');
    EXPECT_EQ(buffer.sputc('a'), 'a');
    EXPECT_EQ(buffer.sputn("b\ncd\n\n;e", 8), 8);
    EXPECT_EQ(buffer.sputc('\xff'), 0xff);  // a character, not end-of-file
    EXPECT_EQ(destination.str(), "  ab\n  cd\n\n;  e\xff");
    EXPECT_EQ(buffer.overflow(EOF), 0);
    struct Refusing : std::streambuf {
        int_type overflow(int_type) override { return traits_type::eof(); }
    } refusing;
    EXPECT_EQ(Buffer(&refusing).sputc('a'), EOF);
}

TEST(FilteringStream, StreamInterleavesWithItsTargetAndFailsAlone) {
    std::ostringstream target;
    {
        FilteringOStream<LoggingInserter> filtered(target);
        filtered << "a\n";  // not indented by default
        filtered.inserter().setIndent(2);
        target << "head\n";
        filtered << "x " << 42 << '\n';
        target << "tail";
    }
    // Nothing is added or flushed when the filtering stream goes away.
    EXPECT_EQ(target.str(), "a\nhead\n  x 42\ntail");

    std::ostream nowhere(nullptr);  // without a destination every character fails
    const std::ios_base::iostate before = nowhere.rdstate();
    FilteringOStream<LoggingInserter> toNowhere(nowhere);
    EXPECT_TRUE(toNowhere.good());
    toNowhere << "lost";
    EXPECT_TRUE(toNowhere.bad());
    EXPECT_EQ(nowhere.rdstate(), before);
}

TEST(LogStreamLocker, LocksAndUnlocksItsMutexWhenItHasOne) {
    Mutex mutex;
    LogStreamLocker locker(nullptr, &mutex);
    locker.lock();
    EXPECT_FALSE(mutex.tryLock());
    locker.unlock();
    EXPECT_TRUE(mutex.tryLock());
    LogStreamLocker().lock();  // without a mutex, nothing to do
}

}  // namespace
}  // namespace ZEV::Logging

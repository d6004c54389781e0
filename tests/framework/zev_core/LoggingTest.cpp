// The indenting logging inserter and the stream locker.
#include "zev_core/Logging.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "zev_core/Mutex.h"

namespace ZEV::Logging {
namespace {

std::string pass(LoggingInserter& inserter, const std::string& text) {
    std::stringbuf destination;
    for (const char c : text) inserter(destination, c);
    return destination.str();
}

TEST(LoggingInserter, IndentsEveryLineButEmptyOnesAndCopiesAreIndependent) {
    LoggingInserter plain;
    EXPECT_EQ(pass(plain, "x\ny\n"), "x\ny\n");
    LoggingInserter source;
    source.setIndent(2);
    const LoggingInserter copy(source);
    source.setIndent(1);
    source.addLineBreak(';');
    LoggingInserter assigned;
    assigned = source;
    EXPECT_EQ(pass(assigned, "a;b"), " a; b");
    LoggingInserter fromCopy(copy);
    EXPECT_EQ(pass(fromCopy, "a\nbc\n\nd;"), "  a\n  bc\n\n  d;");
}

TEST(LoggingInserter, ReportsEndOfFileWhenTheDestinationRefuses) {
    struct Refusing : std::streambuf {
        int_type overflow(int_type) override { return traits_type::eof(); }
    } destination;
    LoggingInserter inserter;
    EXPECT_EQ(inserter(destination, 'a'), std::char_traits<char>::eof());
    std::stringbuf fine;
    EXPECT_EQ(inserter(fine, 'a'), 'a');
}

TEST(LogStreamLocker, AssignmentCopiesStreamAndMutex) {
    static Mutex mutex;
    std::stringbuf buffer;
    const LogStreamLocker source(&buffer, &mutex);
    LogStreamLocker target;
    target = source;
    EXPECT_EQ(target.stream(), &buffer);
    target.lock();
    EXPECT_FALSE(mutex.tryLock());
    target.unlock();
    EXPECT_TRUE(mutex.tryLock());
    mutex.unlock();
}

}  // namespace
}  // namespace ZEV::Logging

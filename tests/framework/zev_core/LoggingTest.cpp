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

TEST(LoggingInserter, IndentsEveryLineButNotEmptyOnes) {
    LoggingInserter inserter;
    inserter.setIndent(2);
    EXPECT_EQ(pass(inserter, "a\nbc\n\nd"), "  a\n  bc\n\n  d");
    LoggingInserter plain;
    EXPECT_EQ(pass(plain, "x\ny\n"), "x\ny\n");
}

TEST(LoggingInserter, CopiesAreIndependent) {
    LoggingInserter source;
    source.setIndent(3);
    LoggingInserter copy(source);
    source.setIndent(1);
    source.addLineBreak(';');
    EXPECT_EQ(copy.indent(), 3);
    EXPECT_EQ(copy.lineBreaks().count(';'), 0u);
    LoggingInserter assigned;
    assigned = source;
    EXPECT_EQ(assigned.indent(), 1);
    EXPECT_EQ(pass(assigned, "a;b"), " a; b");
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
    EXPECT_EQ(target.mutex(), &mutex);
    target.lock();
    EXPECT_FALSE(mutex.tryLock());
    target.unlock();
    EXPECT_TRUE(mutex.tryLock());
    mutex.unlock();
}

}  // namespace
}  // namespace ZEV::Logging

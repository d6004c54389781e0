// The filtering stream buffer and stream with the indenting LoggingInserter:
// what reaches the destination, in what order, and whose state a failure sets.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "image_runtime/FilteringStream.h"
#include "zev_core/Logging.h"

namespace ZEV::Logging {
namespace {

using Buffer = FilteringOutputStreambuf<LoggingInserter>;
using Stream = FilteringOStream<LoggingInserter>;

TEST(FilteringStream, BufferPassesEveryCharacterThroughTheInserter) {
    std::stringbuf destination;
    Buffer buffer(&destination);
    buffer.inserter().setIndent(3);
    EXPECT_EQ(buffer.sputc('a'), 'a');
    EXPECT_EQ(buffer.sputn("b\ncd\n", 5), 5);
    EXPECT_EQ(buffer.sputc('\xff'), 0xff);  // a character, not end-of-file
    EXPECT_EQ(destination.str(), "   ab\n   cd\n   \xff");
    EXPECT_EQ(buffer.overflow(EOF), 0);
    EXPECT_EQ(buffer.sgetc(), EOF);
    EXPECT_EQ(buffer.pubsync(), 0);
    Buffer orphan(nullptr);
    EXPECT_EQ(orphan.sputn("abc", 3), 0);
}

TEST(FilteringStream, StreamInterleavesWithItsTargetAndFailsAlone) {
    std::ostringstream target;
    {
        Stream filtered(target);
        filtered.inserter().setIndent(2);
        target << "head\n";
        filtered << "x " << 42 << '\n';
        target << "tail";
    }
    // Nothing is added or flushed when the filtering stream goes away.
    EXPECT_EQ(target.str(), "head\n  x 42\ntail");

    std::ostream nowhere(nullptr);
    const std::ios_base::iostate before = nowhere.rdstate();
    Stream toNowhere(nowhere);
    EXPECT_TRUE(toNowhere.good());
    toNowhere << "lost";
    EXPECT_TRUE(toNowhere.bad());
    EXPECT_EQ(nowhere.rdstate(), before);
}

}  // namespace
}  // namespace ZEV::Logging

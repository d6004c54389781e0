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

// A destination that takes a fixed number of characters and refuses the rest.
class CappedBuffer : public std::streambuf {
public:
    explicit CappedBuffer(size_t capacity) : capacity_(capacity) {}
    const std::string& text() const { return text_; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()) || text_.size() == capacity_)
            return traits_type::eof();
        text_ += traits_type::to_char_type(c);
        return c;
    }

private:
    size_t capacity_;
    std::string text_;
};

TEST(FilteringStream, BufferPassesEveryCharacterThroughTheInserter) {
    std::stringbuf destination;
    Buffer buffer(&destination);
    buffer.inserter().setIndent(3);
    EXPECT_EQ(buffer.sputc('a'), 'a');
    EXPECT_EQ(buffer.sputn("b\ncd\n", 5), 5);
    // Bytes above 0x7f are characters, not end-of-file.
    EXPECT_EQ(buffer.sputc('\xff'), 0xff);
    EXPECT_EQ(destination.str(), "   ab\n   cd\n   \xff");

    EXPECT_EQ(buffer.overflow(EOF), 0);
    EXPECT_EQ(buffer.underflow(), EOF);
    EXPECT_EQ(buffer.sgetc(), EOF);
    EXPECT_EQ(buffer.pubsync(), 0);
}

TEST(FilteringStream, StreamInterleavesWithDirectWritesToItsTarget) {
    std::ostringstream target;
    {
        Stream filtered(target);
        filtered.inserter().setIndent(2);
        target << "head\n";
        filtered << "x " << 42 << '\n';
        target << "mid\n";
        filtered.write("y\n", 2);
        target << "tail";
        EXPECT_TRUE(filtered.good());
    }
    // Nothing is added or flushed when the filtering stream goes away.
    EXPECT_EQ(target.str(), "head\n  x 42\nmid\n  y\ntail");
    EXPECT_TRUE(target.good());
}

TEST(FilteringStream, FailuresSetOnlyTheFilteringStreamsState) {
    Buffer orphan(nullptr);
    EXPECT_EQ(orphan.sputc('a'), EOF);
    EXPECT_EQ(orphan.sputn("abc", 3), 0);

    std::ostream nowhere(nullptr);
    const std::ios_base::iostate before = nowhere.rdstate();
    Stream toNowhere(nowhere);
    EXPECT_TRUE(toNowhere.good());
    toNowhere << "lost";
    EXPECT_TRUE(toNowhere.bad());
    EXPECT_EQ(nowhere.rdstate(), before);

    CappedBuffer small(4);
    std::ostream target(&small);
    Stream filtered(target);
    filtered << "abcdef";
    EXPECT_TRUE(filtered.bad());
    EXPECT_TRUE(target.good());
    EXPECT_EQ(small.text(), "abcd");
}

}  // namespace
}  // namespace ZEV::Logging

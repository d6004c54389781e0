// The exception tree: owned messages, catching through bases, copies, write.
#include "zev_core/Exceptions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "zev_core/Throw.h"

namespace ZEV {
namespace {

constexpr const char* kSource = "tests/ExceptionsTest";

void throwComposed() {
    std::ostringstream message;
    message << "Not implemented: "
            << "something " << 42;
    throwAt<InternalException>(kSource, 17, message.str());
}

TEST(Exceptions, MessageOutlivesTheTemporaryItWasBuiltFrom) {
    try {
        throwComposed();
        FAIL() << "nothing thrown";
    } catch (const InternalException& e) {
        // Allocate over the freed temporary before reading the message.
        const std::string clobber(64, 'x');
        EXPECT_STREQ(e.what(), "Not implemented: something 42");
        EXPECT_STREQ(e.file(), "tests/ExceptionsTest");
        EXPECT_EQ(e.line(), 17);
        EXPECT_EQ(clobber.size(), 64u);
    }

    std::string text = "temporary message";
    const ParameterException e(kSource, 3, text.c_str());
    text.assign(text.size(), '#');
    const ParameterException copy(e);
    EXPECT_STREQ(copy.what(), "temporary message");
    ParameterException assigned(kSource, 1, "other");
    assigned = e;
    EXPECT_STREQ(assigned.what(), "temporary message");
    EXPECT_EQ(assigned.line(), 3);
}

TEST(Exceptions, CaughtThroughEveryBase) {
    int caught = 0;
    try {
        throwAt<InternalException>(kSource, 1, "a");
    } catch (const std::exception& e) {
        caught += std::string(e.what()) == "a";
    }
    try {
        throwAt<ParameterException>(kSource, 1, "b");
    } catch (const ExceptionBase& e) {
        caught += std::string(e.what()) == "b";
    }
    try {
        throwAt<ParameterException>(kSource, 1, "c");
    } catch (const LogicalException& e) {
        caught += std::string(e.what()) == "c";
    }
    try {
        throwAt<InternalException>(kSource, 1, "d");
    } catch (const ParameterException&) {
        ADD_FAILURE() << "an InternalException is no ParameterException";
    } catch (const InternalException&) {
        ++caught;
    }
    EXPECT_EQ(caught, 4);
}

TEST(Exceptions, WriteGivesSourceLineAndMessageThroughTheBase) {
    const InternalException e("image_runtime/TexturePool", 212, "pContext_");
    std::ostringstream out;
    static_cast<const ExceptionBase&>(e).write(out);
    EXPECT_EQ(out.str(), "image_runtime/TexturePool(212): pContext_");

    std::ostringstream resource;
    ResourceException(10, 4, 7).write(resource);
    EXPECT_NE(resource.str().find("10"), std::string::npos);
}

TEST(Exceptions, CopiesOfTheOtherKindsKeepTheirData) {
    const CPURuntimeException original(-12345);
    const CPURuntimeException copy(original);
    EXPECT_EQ(copy.code(), -12345);
    CPURuntimeException assigned(1);
    assigned = original;
    EXPECT_EQ(assigned.code(), -12345);

    const ResourceException resource(1, 2, 3);
    const ResourceException resourceCopy(resource);
    EXPECT_EQ(resourceCopy.requested(), 1u);
    EXPECT_EQ(resourceCopy.available(), 2u);
    EXPECT_EQ(resourceCopy.resource(), 3u);
}

}  // namespace
}  // namespace ZEV

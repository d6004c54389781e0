// The exception tree: owned messages, catching through the bases, and what
// write() prints for each kind.
#include "zev_core/Exceptions.h"

#include <gmock/gmock.h>

#include <sstream>
#include <string>

#include "zev_core/Throw.h"

namespace ZEV {
namespace {

std::string written(const ExceptionBase& e) {
    std::ostringstream out;
    e.write(out);
    return out.str();
}

TEST(Exceptions, KeepTheirOwnMessageAndThrowAtThrowsTheNamedKind) {
    std::string text = "temporary message";
    ParameterException assigned("other", 1, "other");
    assigned = ParameterException("image_runtime/TexturePool", 212, text.c_str());
    text.assign(text.size(), '#');
    EXPECT_EQ(written(assigned), "image_runtime/TexturePool(212): temporary message");
    EXPECT_EQ(written(ResourceException(10, 4, 7)),
              "resource exhausted: requested 10, available 4, resource 7");
    EXPECT_EQ(CPURuntimeException(CPURuntimeException(-12345)).code(), -12345);
    EXPECT_THROW(throwAt<ParameterException>("f", 1, "m"), LogicalException);
    EXPECT_THAT(
        [] { throwAt<InternalException>("source", 3, std::string("composed ") + "message"); },
        testing::Throws<InternalException>(
            testing::ResultOf(written, "source(3): composed message")));
}

}  // namespace
}  // namespace ZEV

// The GLSL program wrapper: building, failures with the driver's log, cleanup.
#include "zev_ogl/Program.h"

#include <epoxy/gl.h>
#include <gmock/gmock.h>

#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"

namespace ZEV::OGL {
namespace {

using ProgramTest = ZEV::Test::GLTest;
using testing::AllOf, testing::HasSubstr, testing::ThrowsMessage;

const char* kVertex[] = {"#version 110\nvoid main() { gl_Position = gl_Vertex; }\n"};

TEST_F(ProgramTest, BuildsFromSeveralSourcesPerStageOrFailsWithTheDriversLog) {
    unsigned int name = 0;
    {
        Program program;
        name = program.objectID();
        const char* fragment[] = {"#version 110\nuniform vec4 colour;\n",
                                  "void main() { gl_FragColor = colour; }\n"};
        program.loadVertexShader(1, kVertex, nullptr);
        program.loadFragmentShader(2, fragment, nullptr);
        EXPECT_EQ(LiveObjects::count(ObjectKind::Shader), 2u);
        program.link(true);
        EXPECT_TRUE(program.isLinked());
        EXPECT_EQ(LiveObjects::count(ObjectKind::Shader), 0u);
        EXPECT_NE(program.uniformLocation("colour"), Program::nUnknownLocation);
        EXPECT_EQ(program.uniformLocation("missing"), Program::nUnknownLocation);
        Program keepsShaders;
        keepsShaders.loadVertexShader(1, kVertex, nullptr);
        keepsShaders.link(false);
        EXPECT_EQ(LiveObjects::count(ObjectKind::Shader), 1u);
    }
    EXPECT_FALSE(glIsProgram(name));
    // Failures carry the driver's log.
    Program program;
    const char* broken[] = {"#version 110\nvoid main() { gl_FragColor = undefinedThing; }\n"};
    EXPECT_THAT([&] { program.loadFragmentShader(1, broken, nullptr); },
                ThrowsMessage<InternalException>(AllOf(
                    HasSubstr("fragment shader failed to compile"), HasSubstr("undefinedThing"))));
    EXPECT_EQ(LiveObjects::count(ObjectKind::Shader), 0u);
    const char* needsFunction[] = {"#version 110\nvec4 f();\nvoid main() { gl_Position = f(); }\n"};
    program.loadVertexShader(1, needsFunction, nullptr);
    EXPECT_THAT([&] { program.link(true); },
                ThrowsMessage<InternalException>(HasSubstr("failed to link")));
    EXPECT_FALSE(program.isLinked());
}

}  // namespace
}  // namespace ZEV::OGL

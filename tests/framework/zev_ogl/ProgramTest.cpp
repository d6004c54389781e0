// The GLSL program wrapper: building, failures with the driver's log, cleanup.
#include "zev_ogl/Program.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"

namespace ZEV::OGL {
namespace {

using ProgramTest = ZEV::Test::GLTest;

const char* const kVertex = "#version 110\nvoid main() { gl_Position = gl_Vertex; }\n";
const char* const kFragmentHead = "#version 110\nuniform vec4 colour;\n";
const char* const kFragmentBody = "void main() { gl_FragColor = colour; }\n";

TEST_F(ProgramTest, BuildsFromSeveralSourcesPerStage) {
    Program program;
    EXPECT_TRUE(glIsProgram(program.objectID()));
    const char* vertex[] = {kVertex};
    const char* fragment[] = {kFragmentHead, kFragmentBody};
    program.loadVertexShader(1, vertex, nullptr);
    program.loadFragmentShader(2, fragment, nullptr);
    EXPECT_EQ(LiveObjects::count(ObjectKind::Shader), 2u);
    program.link(true);
    EXPECT_TRUE(program.isLinked());
    EXPECT_EQ(LiveObjects::count(ObjectKind::Shader), 0u);
    EXPECT_NE(program.uniformLocation("colour"), Program::nUnknownLocation);
    EXPECT_EQ(program.uniformLocation("missing"), Program::nUnknownLocation);
}

TEST_F(ProgramTest, CompileAndLinkFailuresCarryTheInfoLog) {
    Program program;
    const char* broken[] = {"#version 110\nvoid main() { gl_FragColor = undefinedThing; }\n"};
    try {
        program.loadFragmentShader(1, broken, nullptr);
        FAIL() << "nothing thrown";
    } catch (const InternalException& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("fragment shader failed to compile"), std::string::npos);
        EXPECT_NE(message.find("undefinedThing"), std::string::npos) << message;
    }
    EXPECT_EQ(LiveObjects::count(ObjectKind::Shader), 0u);

    Program unlinkable;
    const char* needsFunction[] = {"#version 110\nvec4 f();\nvoid main() { gl_Position = f(); }\n"};
    unlinkable.loadVertexShader(1, needsFunction, nullptr);
    try {
        unlinkable.link(true);
        FAIL() << "nothing thrown";
    } catch (const InternalException& e) {
        EXPECT_NE(std::string(e.what()).find("failed to link"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(unlinkable.isLinked());
}

TEST_F(ProgramTest, DestructorDeletesProgramAndAttachedShaders) {
    unsigned name = 0;
    {
        Program program;
        name = program.objectID();
        const char* vertex[] = {kVertex};
        program.loadVertexShader(1, vertex, nullptr);
        program.link(false);
        EXPECT_EQ(LiveObjects::count(ObjectKind::Shader), 1u);
    }
    EXPECT_FALSE(glIsProgram(name));
}

}  // namespace
}  // namespace ZEV::OGL

#include "engine/GlCheck.h"

#include "GlTestContext.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing_support::LogCapture;

TEST(GlCheck, LogsThePendingErrorWithGluTextAndClearsIt)
{
    struct Case {
        const char* name;
        void (*provoke)();
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"no error", [] {}, {}},
        {"unknown capability", [] { glEnable(0xFFFF); }, {"OpenGL Error Encountered! Error: (1280) invalid enumerant"}},
        {"negative line width", [] { glLineWidth(-1.0f); }, {"OpenGL Error Encountered! Error: (1281) invalid value"}},
        {"vertex array never generated", [] { glBindVertexArray(123456); },
         {"OpenGL Error Encountered! Error: (1282) invalid operation"}},
    };
    while (glGetError() != GL_NO_ERROR) {
    }
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        LogCapture log;
        testCase.provoke();
        checkGlError();
        EXPECT_EQ(log.lines(), testCase.expected);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

}

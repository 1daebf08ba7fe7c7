#include "platform/portable/d3d9/gl/shader.h"

#include <string>

#include <SDL.h>

#include "platform/portable/d3d9/gl/api.h"

namespace portable {

namespace {
unsigned CompileShader(GLenum stage, const char* source)
{
    const GLuint shader = gl.CreateShader(stage);
    gl.ShaderSource(shader, 1, &source, nullptr);
    gl.CompileShader(shader);
    GLint compiled = GL_FALSE;
    gl.GetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE) return shader;

    GLint length = 0;
    gl.GetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    gl.GetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    SDL_LogError(SDL_LOG_CATEGORY_RENDER, "shader compilation failed: %s", log.c_str());
    gl.DeleteShader(shader);
    return 0;
}
} // namespace

unsigned BuildGlProgram(const char* vertexSource, const char* fragmentSource)
{
    const unsigned vertex = CompileShader(GL_VERTEX_SHADER, vertexSource);
    const unsigned fragment = vertex != 0 ? CompileShader(GL_FRAGMENT_SHADER, fragmentSource) : 0;
    if (fragment == 0) {
        if (vertex != 0) gl.DeleteShader(vertex);
        return 0;
    }

    const GLuint program = gl.CreateProgram();
    gl.AttachShader(program, vertex);
    gl.AttachShader(program, fragment);
    gl.LinkProgram(program);
    gl.DeleteShader(vertex);
    gl.DeleteShader(fragment);

    GLint linked = GL_FALSE;
    gl.GetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE) return program;

    GLint length = 0;
    gl.GetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    gl.GetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
    SDL_LogError(SDL_LOG_CATEGORY_RENDER, "program link failed: %s", log.c_str());
    gl.DeleteProgram(program);
    return 0;
}

} // namespace portable

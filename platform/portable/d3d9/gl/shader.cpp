#include "platform/portable/d3d9/gl/shader.h"

#include <string>

#include <SDL.h>

#include "platform/portable/d3d9/gl/api.h"

namespace portable {

namespace {
// The info log of a shader or program, read with the getters of its kind.
std::string InfoLog(GLuint object, PFNGLGETSHADERIVPROC getParameter, PFNGLGETSHADERINFOLOGPROC getLog)
{
    GLint length = 0;
    getParameter(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    getLog(object, static_cast<GLsizei>(log.size()), nullptr, log.data());
    return log;
}

unsigned CompileShader(GLenum stage, const char* source)
{
    const GLuint shader = gl.CreateShader(stage);
    gl.ShaderSource(shader, 1, &source, nullptr);
    gl.CompileShader(shader);
    GLint compiled = GL_FALSE;
    gl.GetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE) return shader;

    const std::string log = InfoLog(shader, gl.GetShaderiv, gl.GetShaderInfoLog);
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

    const std::string log = InfoLog(program, gl.GetProgramiv, gl.GetProgramInfoLog);
    SDL_LogError(SDL_LOG_CATEGORY_RENDER, "program link failed: %s", log.c_str());
    gl.DeleteProgram(program);
    return 0;
}

} // namespace portable

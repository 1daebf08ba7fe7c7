// Building GLSL programs.
#pragma once

namespace portable {

// Compiles and links a program from GLSL 3.30 sources; 0 on failure, with the
// compiler's log written to SDL's log.
unsigned BuildGlProgram(const char* vertexSource, const char* fragmentSource);

} // namespace portable

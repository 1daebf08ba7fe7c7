#include "platform/portable/d3d9/gl/api.h"

#include <SDL.h>

namespace portable {

GlApi gl;

bool LoadGlApi()
{
    static bool loaded = false;
    if (loaded) return true;

    GlApi api;
    bool complete = true;
#define PORTABLE_GL_LOAD(type, name, symbol)                                             \
    api.name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#symbol));                   \
    if (api.name == nullptr) {                                                           \
        SDL_LogError(SDL_LOG_CATEGORY_RENDER, "OpenGL function %s is missing", #symbol); \
        complete = false;                                                                \
    }
    PORTABLE_GL_FUNCTIONS(PORTABLE_GL_LOAD)
#undef PORTABLE_GL_LOAD
    if (!complete) return false;

    gl = api;
    loaded = true;
    return true;
}

} // namespace portable

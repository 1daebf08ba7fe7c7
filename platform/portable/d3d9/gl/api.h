// The OpenGL 3.3 core functions the portable device uses, loaded through SDL
// once a context exists. Call them as gl.Name(...).
#pragma once

#include <GL/glcorearb.h>

namespace portable {

#define PORTABLE_GL_FUNCTIONS(X)                                                            \
    X(PFNGLGETINTEGERVPROC, GetIntegerv, glGetIntegerv)                                     \
    X(PFNGLFINISHPROC, Finish, glFinish)                                                    \
    X(PFNGLVIEWPORTPROC, Viewport, glViewport)                                              \
    X(PFNGLSCISSORPROC, Scissor, glScissor)                                                 \
    X(PFNGLENABLEPROC, Enable, glEnable)                                                    \
    X(PFNGLDISABLEPROC, Disable, glDisable)                                                 \
    X(PFNGLCLEARCOLORPROC, ClearColor, glClearColor)                                        \
    X(PFNGLCLEARDEPTHPROC, ClearDepth, glClearDepth)                                        \
    X(PFNGLCLEARSTENCILPROC, ClearStencil, glClearStencil)                                  \
    X(PFNGLCLEARPROC, Clear, glClear)                                                       \
    X(PFNGLCOLORMASKPROC, ColorMask, glColorMask)                                           \
    X(PFNGLDEPTHMASKPROC, DepthMask, glDepthMask)                                           \
    X(PFNGLDEPTHFUNCPROC, DepthFunc, glDepthFunc)                                           \
    X(PFNGLSTENCILMASKPROC, StencilMask, glStencilMask)                                     \
    X(PFNGLSTENCILFUNCPROC, StencilFunc, glStencilFunc)                                     \
    X(PFNGLSTENCILOPPROC, StencilOp, glStencilOp)                                           \
    X(PFNGLCULLFACEPROC, CullFace, glCullFace)                                              \
    X(PFNGLFRONTFACEPROC, FrontFace, glFrontFace)                                           \
    X(PFNGLPOLYGONMODEPROC, PolygonMode, glPolygonMode)                                     \
    X(PFNGLBLENDFUNCSEPARATEPROC, BlendFuncSeparate, glBlendFuncSeparate)                   \
    X(PFNGLBLENDEQUATIONPROC, BlendEquation, glBlendEquation)                               \
    X(PFNGLBLENDCOLORPROC, BlendColor, glBlendColor)                                        \
    X(PFNGLPIXELSTOREIPROC, PixelStorei, glPixelStorei)                                     \
    X(PFNGLREADPIXELSPROC, ReadPixels, glReadPixels)                                        \
    X(PFNGLGENTEXTURESPROC, GenTextures, glGenTextures)                                     \
    X(PFNGLDELETETEXTURESPROC, DeleteTextures, glDeleteTextures)                            \
    X(PFNGLBINDTEXTUREPROC, BindTexture, glBindTexture)                                     \
    X(PFNGLACTIVETEXTUREPROC, ActiveTexture, glActiveTexture)                               \
    X(PFNGLTEXIMAGE2DPROC, TexImage2D, glTexImage2D)                                        \
    X(PFNGLTEXSUBIMAGE2DPROC, TexSubImage2D, glTexSubImage2D)                               \
    X(PFNGLTEXPARAMETERIPROC, TexParameteri, glTexParameteri)                               \
    X(PFNGLGENSAMPLERSPROC, GenSamplers, glGenSamplers)                                     \
    X(PFNGLDELETESAMPLERSPROC, DeleteSamplers, glDeleteSamplers)                            \
    X(PFNGLBINDSAMPLERPROC, BindSampler, glBindSampler)                                     \
    X(PFNGLSAMPLERPARAMETERIPROC, SamplerParameteri, glSamplerParameteri)                   \
    X(PFNGLSAMPLERPARAMETERFPROC, SamplerParameterf, glSamplerParameterf)                   \
    X(PFNGLSAMPLERPARAMETERFVPROC, SamplerParameterfv, glSamplerParameterfv)                \
    X(PFNGLGENBUFFERSPROC, GenBuffers, glGenBuffers)                                        \
    X(PFNGLDELETEBUFFERSPROC, DeleteBuffers, glDeleteBuffers)                               \
    X(PFNGLBINDBUFFERPROC, BindBuffer, glBindBuffer)                                        \
    X(PFNGLBUFFERDATAPROC, BufferData, glBufferData)                                        \
    X(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays, glGenVertexArrays)                         \
    X(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays, glDeleteVertexArrays)                \
    X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray, glBindVertexArray)                         \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray, glEnableVertexAttribArray) \
    X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer, glVertexAttribPointer)             \
    X(PFNGLVERTEXATTRIB4FPROC, VertexAttrib4f, glVertexAttrib4f)                            \
    X(PFNGLDRAWELEMENTSPROC, DrawElements, glDrawElements)                                  \
    X(PFNGLDRAWARRAYSPROC, DrawArrays, glDrawArrays)                                        \
    X(PFNGLCREATESHADERPROC, CreateShader, glCreateShader)                                  \
    X(PFNGLSHADERSOURCEPROC, ShaderSource, glShaderSource)                                  \
    X(PFNGLCOMPILESHADERPROC, CompileShader, glCompileShader)                               \
    X(PFNGLGETSHADERIVPROC, GetShaderiv, glGetShaderiv)                                     \
    X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog, glGetShaderInfoLog)                      \
    X(PFNGLDELETESHADERPROC, DeleteShader, glDeleteShader)                                  \
    X(PFNGLCREATEPROGRAMPROC, CreateProgram, glCreateProgram)                               \
    X(PFNGLATTACHSHADERPROC, AttachShader, glAttachShader)                                  \
    X(PFNGLLINKPROGRAMPROC, LinkProgram, glLinkProgram)                                     \
    X(PFNGLGETPROGRAMIVPROC, GetProgramiv, glGetProgramiv)                                  \
    X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog, glGetProgramInfoLog)                   \
    X(PFNGLDELETEPROGRAMPROC, DeleteProgram, glDeleteProgram)                               \
    X(PFNGLUSEPROGRAMPROC, UseProgram, glUseProgram)                                        \
    X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation, glGetUniformLocation)                \
    X(PFNGLUNIFORM1IPROC, Uniform1i, glUniform1i)                                           \
    X(PFNGLUNIFORM1FPROC, Uniform1f, glUniform1f)                                           \
    X(PFNGLUNIFORM2FPROC, Uniform2f, glUniform2f)                                           \
    X(PFNGLUNIFORM3IPROC, Uniform3i, glUniform3i)                                           \
    X(PFNGLUNIFORM4FVPROC, Uniform4fv, glUniform4fv)                                        \
    X(PFNGLUNIFORMMATRIX4FVPROC, UniformMatrix4fv, glUniformMatrix4fv)                      \
    X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers, glGenFramebuffers)                         \
    X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers, glDeleteFramebuffers)                \
    X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer, glBindFramebuffer)                         \
    X(PFNGLGENRENDERBUFFERSPROC, GenRenderbuffers, glGenRenderbuffers)                      \
    X(PFNGLDELETERENDERBUFFERSPROC, DeleteRenderbuffers, glDeleteRenderbuffers)             \
    X(PFNGLBINDRENDERBUFFERPROC, BindRenderbuffer, glBindRenderbuffer)                      \
    X(PFNGLRENDERBUFFERSTORAGEPROC, RenderbufferStorage, glRenderbufferStorage)             \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, FramebufferRenderbuffer, glFramebufferRenderbuffer) \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus, glCheckFramebufferStatus)    \
    X(PFNGLBLITFRAMEBUFFERPROC, BlitFramebuffer, glBlitFramebuffer)

struct GlApi {
#define PORTABLE_GL_MEMBER(type, name, symbol) type name = nullptr;
    PORTABLE_GL_FUNCTIONS(PORTABLE_GL_MEMBER)
#undef PORTABLE_GL_MEMBER
};

extern GlApi gl;

// Resolves every function; needs a current context. False when one is missing.
bool LoadGlApi();

} // namespace portable

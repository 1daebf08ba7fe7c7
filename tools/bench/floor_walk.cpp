// The least a program can do to show the walk-through's scene on this stack,
// the floor that side_by_side.sh measures the program against: SDL2 and an
// OpenGL 3.3 core context; the settings' full-screen mode through SDL's
// switch; the four models read with the project's .x reader; their PNG
// textures decoded with libspng and handed to OpenGL with full mip chains;
// the scene drawn once from the starting point with the program's placement,
// projection and states. That frame is then shown again every
// 1000 / refresh-rate whole milliseconds until Escape or SIGTERM (SDL's quit
// event). While W is held the eye walks straight ahead at the program's
// player speed; relative mouse motion turns the view at once, as the
// program's raw mouse input does (0.005 radians a count); a frame that walks
// or turns is drawn, finished and then shown at its due time. No overlay
// text, no second thread: each file's data is given up as soon as OpenGL
// holds it, and the heap's freed pages are handed back after the first frame.
//   floor_walk      (in a folder with settings.ini and Models/)

// The reader's headers first: their APIENTRY (empty, as OpenGL's on Linux) stands.
#include "platform/portable/d3dx/xfile/mesh_builder.h"
#include "platform/portable/d3dx/xfile/parser.h"

#define GL_GLEXT_PROTOTYPES 1

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <spng.h>

namespace {
constexpr float kFov = 1.0471976f;
constexpr float kNear = 1.0f;
constexpr float kFar = 1500.0f;
constexpr float kStartEye[3] = {0.0f, 25.0f, -250.0f};
// The program's player speed, in units a second, straight ahead (+z) while W is held.
constexpr float kWalkSpeed = 50.0f;
// The program's turn per count of raw mouse motion, and its pitch limit.
constexpr float kTurnPerCount = 0.005f;
constexpr float kPitchLimit = 1.4959966f;

const char* const kVertexSource = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texcoord;
uniform mat4 worldViewProjection;
out vec2 uv;
void main()
{
    gl_Position = worldViewProjection * vec4(position, 1.0);
    uv = texcoord;
}
)";

const char* const kFragmentSource = R"(#version 330 core
in vec2 uv;
uniform sampler2D stage0;
uniform bool textured;
uniform vec4 color;
out vec4 fragment;
void main()
{
    if (textured) {
        vec4 texel = texture(stage0, uv);
        fragment = vec4(color.rgb * texel.rgb, texel.a);
    } else {
        fragment = color;
    }
}
)";

// Row-vector matrices as Direct3D builds them, m[row][column].
struct Matrix {
    float m[4][4];
};

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix product{};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            for (int k = 0; k < 4; ++k) product.m[row][column] += a.m[row][k] * b.m[k][column];
        }
    }
    return product;
}

// A yaw about +y, then a move to `position`.
Matrix World(const float position[3], float yaw)
{
    const float c = std::cos(yaw), s = std::sin(yaw);
    return Matrix{{{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {position[0], position[1], position[2], 1}}};
}

// The view of an eye turned by `yaw` (towards +x) and `pitch` (down): the
// inverse of its turn, a yaw then a pitch.
Matrix Turn(float yaw, float pitch)
{
    const float cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
    const Matrix unyaw{{{cy, 0, sy, 0}, {0, 1, 0, 0}, {-sy, 0, cy, 0}, {0, 0, 0, 1}}};
    const Matrix unpitch{{{1, 0, 0, 0}, {0, cp, -sp, 0}, {0, sp, cp, 0}, {0, 0, 0, 1}}};
    return Multiply(unyaw, unpitch);
}

// Left-handed perspective with a vertical field of view, depth mapped to
// OpenGL's -1..1 rather than Direct3D's 0..1.
Matrix Projection(float aspect)
{
    const float y = 1.0f / std::tan(kFov / 2.0f), x = y / aspect;
    const float depth = kFar - kNear;
    return Matrix{
        {{x, 0, 0, 0}, {0, y, 0, 0}, {0, 0, (kFar + kNear) / depth, 1}, {0, 0, -2.0f * kNear * kFar / depth, 0}}};
}

struct Subset {
    GLsizei indexCount = 0;
    size_t indexOffset = 0;
    GLuint texture = 0;
    float color[4] = {1, 1, 1, 1}; // the material's diffuse, lit by a white ambient term
};

struct Model {
    GLuint vertexArray = 0;
    std::vector<Subset> subsets;
};

// The file mapped for reading; empty when it cannot be.
struct MappedFile {
    const char* data = nullptr;
    size_t size = 0;

    explicit MappedFile(const std::string& path)
    {
        const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0) return;
        struct stat status {};
        if (fstat(file, &status) == 0 && status.st_size > 0) {
            void* mapped = mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ, MAP_PRIVATE, file, 0);
            if (mapped != MAP_FAILED) {
                data = static_cast<const char*>(mapped);
                size = static_cast<size_t>(status.st_size);
            }
        }
        close(file);
    }
    ~MappedFile()
    {
        if (data != nullptr) munmap(const_cast<char*>(data), size);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
};

// Level 0 in `pixels`, then each smaller level made in place with a 2x2 box
// filter and handed over. Made here rather than with glGenerateMipmap, which
// llvmpipe carries out by drawing every level with a blit shader that it
// compiles first: twice the loading time. The texture's storage is made whole
// first (ARB_texture_storage): levels given one by one with glTexImage2D are
// each held apart until the first draw copies them into one texture, which
// holds them twice meanwhile.
void UploadMipChain(std::vector<uint8_t>& pixels, GLsizei width, GLsizei height)
{
    GLsizei levels = 1;
    while ((width >> levels) > 0 || (height >> levels) > 0) ++levels;
    glTexStorage2D(GL_TEXTURE_2D, levels, GL_RGBA8, width, height);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    for (GLint level = 1; width > 1 || height > 1; ++level) {
        const GLsizei smallerWidth = width > 1 ? width / 2 : 1, smallerHeight = height > 1 ? height / 2 : 1;
        const size_t right = width > 1 ? 4 : 0, below = height > 1 ? 4 * static_cast<size_t>(width) : 0;
        // Each texel is written after the four it comes from are read, and
        // later ones come from further on: the level can overwrite its source.
        uint8_t* texels = pixels.data();
        for (GLsizei y = 0; y < smallerHeight; ++y) {
            for (GLsizei x = 0; x < smallerWidth; ++x) {
                const uint8_t* from = texels + 4 * (static_cast<size_t>(2 * y) * width + 2 * x);
                uint8_t* to = texels + 4 * (static_cast<size_t>(y) * smallerWidth + x);
                for (size_t c = 0; c < 4; ++c) {
                    to[c] = static_cast<uint8_t>(
                        (from[c] + from[right + c] + from[below + c] + from[below + right + c] + 2) / 4);
                }
            }
        }
        width = smallerWidth;
        height = smallerHeight;
        glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    }
}

// The PNG as an OpenGL texture with its mip chain; 0 when it cannot be read.
// `pixels` is the decoding room, kept from one texture to the next.
GLuint LoadTexture(const std::string& path, std::vector<uint8_t>& pixels)
{
    const MappedFile file(path);
    if (file.data == nullptr) return 0;
    spng_ctx* png = spng_ctx_new(0);
    if (png == nullptr) return 0;
    spng_ihdr header{};
    size_t bytes = 0;
    bool decoded = spng_set_png_buffer(png, file.data, file.size) == 0 && spng_get_ihdr(png, &header) == 0
        && spng_decoded_image_size(png, SPNG_FMT_RGBA8, &bytes) == 0;
    if (decoded) {
        pixels.resize(bytes);
        decoded = spng_decode_image(png, pixels.data(), bytes, SPNG_FMT_RGBA8, 0) == 0;
    }
    spng_ctx_free(png);
    if (!decoded) return 0;

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    UploadMipChain(pixels, static_cast<GLsizei>(header.width), static_cast<GLsizei>(header.height));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}

// The model's merged mesh in OpenGL buffers, and its subsets with their
// textures (looked up beside the model). False when the file cannot be read.
bool LoadModel(const std::string& folder, const char* name, std::vector<uint8_t>& pixels, Model& model)
{
    portable::XMeshResult built;
    {
        const MappedFile file(folder + name);
        if (file.data == nullptr) return false;
        portable::XDocument document;
        if (FAILED(portable::ParseXFile(file.data, file.size, document))
            || FAILED(portable::BuildXMesh(document, D3DXMESH_MANAGED, true, built))) {
            return false;
        }
    }
    const portable::MeshData& mesh = built.mesh;
    GLuint buffers[2] = {};
    glGenVertexArrays(1, &model.vertexArray);
    glBindVertexArray(model.vertexArray);
    glGenBuffers(2, buffers);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.vertices.size() * sizeof(portable::MeshVertex)),
                 mesh.vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.indices.size() * sizeof(uint32_t)),
                 mesh.indices.data(), GL_STATIC_DRAW);
    const auto stride = static_cast<GLsizei>(sizeof(portable::MeshVertex));
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(portable::MeshVertex, position)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(portable::MeshVertex, texcoord)));
    glBindVertexArray(0);

    for (const portable::SubsetRange& range : mesh.attributeTable) {
        const portable::XMaterial& material = built.materials[range.AttribId];
        Subset subset;
        subset.indexCount = static_cast<GLsizei>(range.FaceCount * 3);
        subset.indexOffset = size_t{range.FaceStart} * 3 * sizeof(uint32_t);
        const D3DCOLORVALUE& diffuse = material.material.Diffuse;
        const D3DCOLORVALUE& emissive = material.material.Emissive;
        subset.color[0] = std::fmin(1.0f, std::fmax(0.0f, emissive.r + diffuse.r));
        subset.color[1] = std::fmin(1.0f, std::fmax(0.0f, emissive.g + diffuse.g));
        subset.color[2] = std::fmin(1.0f, std::fmax(0.0f, emissive.b + diffuse.b));
        subset.color[3] = std::fmin(1.0f, std::fmax(0.0f, diffuse.a));
        if (material.hasTexture) subset.texture = LoadTexture(folder + material.texture, pixels);
        model.subsets.push_back(subset);
    }
    return true;
}

GLuint CompileShader(GLenum kind, const char* source)
{
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

struct Program {
    GLuint id = 0;
    GLint worldViewProjection = -1;
    GLint textured = -1;
    GLint color = -1;
};

bool BuildProgram(Program& program)
{
    const GLuint vertex = CompileShader(GL_VERTEX_SHADER, kVertexSource);
    const GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, kFragmentSource);
    program.id = glCreateProgram();
    glAttachShader(program.id, vertex);
    glAttachShader(program.id, fragment);
    glLinkProgram(program.id);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(program.id, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) return false;
    program.worldViewProjection = glGetUniformLocation(program.id, "worldViewProjection");
    program.textured = glGetUniformLocation(program.id, "textured");
    program.color = glGetUniformLocation(program.id, "color");
    glUseProgram(program.id);
    glUniform1i(glGetUniformLocation(program.id, "stage0"), 0);
    return true;
}

void DrawModel(const Program& program, const Model& model, const Matrix& worldViewProjection, bool lit)
{
    static const float kWhite[4] = {1, 1, 1, 1};
    glUniformMatrix4fv(program.worldViewProjection, 1, GL_FALSE, &worldViewProjection.m[0][0]);
    glBindVertexArray(model.vertexArray);
    for (const Subset& subset : model.subsets) {
        glUniform4fv(program.color, 1, lit ? subset.color : kWhite);
        glUniform1i(program.textured, subset.texture != 0 ? 1 : 0);
        glBindTexture(GL_TEXTURE_2D, subset.texture);
        glDrawElements(GL_TRIANGLES, subset.indexCount, GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(subset.indexOffset));
    }
}

enum ModelIndex { kSky, kLevel, kCrate, kFigure, kModelCount };

// The sky, unlit and centred on the eye, without depth writes; then the
// player (a crate at the eye), the level, two crates and the figure, lit.
void DrawScene(const Program& program, const Model (&models)[kModelCount], const float (&eye)[3], float yaw,
               float pitch, float aspect)
{
    struct Placement {
        ModelIndex model;
        float position[3];
        float yaw;
    };
    const Placement placements[] = {
        {kCrate, {eye[0], eye[1], eye[2]}, yaw}, {kLevel, {0, 0, 0}, 0.0f},    {kCrate, {0, 5, -20}, 1.0471976f},
        {kCrate, {10, 5, 20}, 0.62831855f},      {kFigure, {0, 5, 120}, 0.0f},
    };
    // The world moved by -eye, then turned against the eye's turn.
    const float origin[3] = {-eye[0], -eye[1], -eye[2]};
    const Matrix viewProjection = Multiply(Multiply(World(origin, 0.0f), Turn(yaw, pitch)), Projection(aspect));

    glClearColor(128.0f / 255.0f, 128.0f / 255.0f, 128.0f / 255.0f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    // Direct3D's front faces are clockwise on screen; the others are culled.
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glActiveTexture(GL_TEXTURE0);

    glDepthMask(GL_FALSE);
    DrawModel(program, models[kSky], Multiply(World(eye, 0.0f), viewProjection), false);
    glDepthMask(GL_TRUE);
    for (const Placement& placed : placements) {
        DrawModel(program, models[placed.model], Multiply(World(placed.position, placed.yaw), viewProjection), true);
    }
}

bool ReadSettings(unsigned& width, unsigned& height, unsigned& refreshRate)
{
    FILE* file = std::fopen("settings.ini", "r");
    if (file == nullptr) return false;
    const bool read = std::fscanf(file, "%u %u %u", &width, &height, &refreshRate) == 3;
    std::fclose(file);
    return read && width > 0 && height > 0 && refreshRate > 0;
}

timespec After(timespec time, long milliseconds)
{
    time.tv_nsec += milliseconds * 1000000L;
    time.tv_sec += time.tv_nsec / 1000000000L;
    time.tv_nsec %= 1000000000L;
    return time;
}

double SecondsBetween(const timespec& from, const timespec& to)
{
    return static_cast<double>(to.tv_sec - from.tv_sec) + static_cast<double>(to.tv_nsec - from.tv_nsec) / 1e9;
}

bool Earlier(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

int Fail(const char* what)
{
    std::fprintf(stderr, "floor_walk: %s: %s\n", what, SDL_GetError());
    return 1;
}
} // namespace

int main(int, char**)
{
    unsigned width = 0, height = 0, refreshRate = 0;
    if (!ReadSettings(width, height, refreshRate)) {
        std::fprintf(stderr, "floor_walk: settings.ini does not hold a width, a height and a refresh rate\n");
        return 1;
    }
    // As the program: the window stays in place when another takes the focus.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return Fail("SDL video");
    const SDL_DisplayMode wanted{SDL_PIXELFORMAT_UNKNOWN, static_cast<int>(width), static_cast<int>(height),
                                 static_cast<int>(refreshRate), nullptr};
    SDL_DisplayMode mode{};
    if (SDL_GetClosestDisplayMode(0, &wanted, &mode) == nullptr || mode.w != wanted.w || mode.h != wanted.h
        || mode.refresh_rate != wanted.refresh_rate) {
        std::fprintf(stderr, "floor_walk: the display has no mode %ux%u at %u Hz\n", width, height, refreshRate);
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    // SDL's defaults give the rest: double buffered, a 16-bit depth buffer.
    // Made full screen while hidden, the window gets its mode when SDL shows
    // it; a shown window made full screen waits up to 100 ms for the window
    // manager to move it (SDL 2.26's X11 code).
    SDL_Window* window = SDL_CreateWindow("Floor Walk", 0, 0, mode.w, mode.h,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN | SDL_WINDOW_HIDDEN);
    if (window == nullptr) return Fail("window");
    if (SDL_SetWindowDisplayMode(window, &mode) != 0) return Fail("display mode");
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) return Fail("OpenGL 3.3 core context");
    SDL_ShowWindow(window);

    if (!SDL_GL_ExtensionSupported("GL_ARB_texture_storage")) {
        std::fprintf(stderr, "floor_walk: OpenGL has no ARB_texture_storage\n");
        return 1;
    }
    Program program;
    if (!BuildProgram(program)) {
        std::fprintf(stderr, "floor_walk: the shaders do not link\n");
        return 1;
    }
    static const char* const kFiles[kModelCount][2] = {{"Models/Skybox/", "Skybox.x"},
                                                       {"Models/Level/", "Level.x"},
                                                       {"Models/Crate/", "Crate.x"},
                                                       {"Models/Sniper/", "Sniper.x"}};
    Model models[kModelCount];
    {
        std::vector<uint8_t> pixels;
        for (int i = 0; i < kModelCount; ++i) {
            if (!LoadModel(kFiles[i][0], kFiles[i][1], pixels, models[i])) {
                std::fprintf(stderr, "floor_walk: cannot load %s%s\n", kFiles[i][0], kFiles[i][1]);
                return 1;
            }
        }
    }
    const float aspect = static_cast<float>(static_cast<double>(width) / static_cast<double>(height));
    float eye[3] = {kStartEye[0], kStartEye[1], kStartEye[2]};
    float yaw = 0.0f, pitch = 0.0f;
    DrawScene(program, models, eye, yaw, pitch, aspect);
    SDL_GL_SwapWindow(window);
    // What loading freed in the middle of the heap stays resident until handed back.
    malloc_trim(0);

    // Standing, the frame stays in the back buffer and is shown again at every
    // due time; walking, each frame is drawn and finished before its due time.
    const long interval = static_cast<long>(1000 / refreshRate);
    timespec due{};
    clock_gettime(CLOCK_MONOTONIC, &due);
    timespec moved = due;
    due = After(due, interval);
    bool walking = false;
    // Unbounded motion, as the program's raw mouse input gets it.
    SDL_SetRelativeMouseMode(SDL_TRUE);
    for (bool running = true; running;) {
        bool turned = false;
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT || (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE)) {
                running = false;
            } else if ((event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) && event.key.keysym.sym == SDLK_w) {
                walking = event.type == SDL_KEYDOWN;
            } else if (event.type == SDL_MOUSEMOTION) {
                yaw += static_cast<float>(event.motion.xrel) * kTurnPerCount;
                pitch =
                    std::fmax(-kPitchLimit,
                              std::fmin(kPitchLimit, pitch + static_cast<float>(event.motion.yrel) * kTurnPerCount));
                turned = true;
            }
        }
        timespec drawn{};
        clock_gettime(CLOCK_MONOTONIC, &drawn);
        if (walking) eye[2] += kWalkSpeed * static_cast<float>(SecondsBetween(moved, drawn));
        if (walking || turned) {
            DrawScene(program, models, eye, yaw, pitch, aspect);
            glFinish();
        }
        moved = drawn;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
        SDL_GL_SwapWindow(window);
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        due = After(due, interval);
        if (Earlier(due, now)) due = After(now, interval);
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

#include "platform/portable/d3dx/font/renderer.h"

#include <algorithm>

#include "platform/portable/d3d9/gl/api.h"
#include "platform/portable/d3d9/gl/shader.h"

namespace portable {

namespace {
bool PlaceOnPage(AtlasPage& page, int size, int width, int height, int& x, int& y)
{
    // A full shelf above keeps its height; a glyph no taller still fits there.
    for (size_t i = 0; i + 1 < page.shelves.size(); ++i) {
        AtlasShelf& shelf = page.shelves[i];
        if (height <= shelf.height && shelf.cursor + width <= size) {
            x = shelf.cursor;
            y = shelf.top;
            shelf.cursor += width;
            return true;
        }
    }
    if (!page.shelves.empty()) {
        AtlasShelf& last = page.shelves.back();
        if (last.cursor + width <= size && last.top + height <= size) {
            x = last.cursor;
            y = last.top;
            last.cursor += width;
            last.height = std::max(last.height, height);
            return true;
        }
    }
    const int top = page.shelves.empty() ? 0 : page.shelves.back().top + page.shelves.back().height;
    if (top + height > size) return false;
    page.shelves.push_back(AtlasShelf{top, height, width});
    x = 0;
    y = top;
    return true;
}

constexpr int kPreferredPageSize = 512;
constexpr int kFloatsPerVertex = 4;

const char* const kVertexSource = R"(#version 330 core
layout(location = 0) in vec2 position;  // pixels from the top-left corner
layout(location = 1) in vec2 texcoord;
uniform vec2 targetSize;
out vec2 uv;
void main()
{
    gl_Position = vec4(position.x * 2.0 / targetSize.x - 1.0, 1.0 - position.y * 2.0 / targetSize.y, 0.0, 1.0);
    uv = texcoord;
}
)";

const char* const kFragmentSource = R"(#version 330 core
in vec2 uv;
uniform sampler2D atlas;
uniform vec4 color;
out vec4 fragment;
void main()
{
    fragment = vec4(color.rgb, color.a * texture(atlas, uv).r);
}
)";

void AddPageTexture(FontRenderer& renderer)
{
    unsigned texture = 0;
    gl.GenTextures(1, &texture);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, texture);
    const std::vector<unsigned char> blank(static_cast<size_t>(renderer.pageSize) * renderer.pageSize, 0);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_R8, renderer.pageSize, renderer.pageSize, 0, GL_RED, GL_UNSIGNED_BYTE,
                  blank.data());
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    renderer.pages.push_back(texture);
}

void PushVertex(std::vector<float>& out, float x, float y, float u, float v)
{
    out.push_back(x);
    out.push_back(y);
    out.push_back(u);
    out.push_back(v);
}

void SetTextState(Device& device, const RECT* clip)
{
    const GlBackBuffer& target = device.backBuffer;
    gl.BindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    gl.Viewport(0, 0, static_cast<GLsizei>(target.width), static_cast<GLsizei>(target.height));
    gl.Disable(GL_DEPTH_TEST);
    gl.Disable(GL_STENCIL_TEST);
    gl.Disable(GL_CULL_FACE);
    gl.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl.Enable(GL_BLEND);
    gl.BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    gl.BlendEquation(GL_FUNC_ADD);
    if (clip != nullptr) {
        const LONG height = static_cast<LONG>(target.height);
        const LONG left = std::max<LONG>(clip->left, 0);
        const LONG top = std::max<LONG>(clip->top, 0);
        const LONG right = std::max(left, std::min(clip->right, static_cast<LONG>(target.width)));
        const LONG bottom = std::max(top, std::min(clip->bottom, height));
        gl.Enable(GL_SCISSOR_TEST);
        gl.Scissor(left, height - bottom, right - left, bottom - top);
    } else {
        gl.Disable(GL_SCISSOR_TEST);
    }
}
} // namespace

bool PlaceGlyph(GlyphAtlas& atlas, int width, int height, AtlasSpot& spot)
{
    const int paddedWidth = width + kAtlasPadding;
    const int paddedHeight = height + kAtlasPadding;
    if (width < 0 || height < 0 || paddedWidth > atlas.pageSize || paddedHeight > atlas.pageSize) return false;

    for (size_t page = 0; page < atlas.pages.size(); ++page) {
        if (PlaceOnPage(atlas.pages[page], atlas.pageSize, paddedWidth, paddedHeight, spot.x, spot.y)) {
            spot.page = static_cast<int>(page);
            return true;
        }
    }
    atlas.pages.emplace_back();
    spot.page = static_cast<int>(atlas.pages.size()) - 1;
    return PlaceOnPage(atlas.pages.back(), atlas.pageSize, paddedWidth, paddedHeight, spot.x, spot.y);
}

bool CreateFontRenderer(FontRenderer& renderer)
{
    FontRenderer made;
    made.program = BuildGlProgram(kVertexSource, kFragmentSource);
    if (made.program == 0) return false;
    made.targetSize = gl.GetUniformLocation(made.program, "targetSize");
    made.color = gl.GetUniformLocation(made.program, "color");
    gl.UseProgram(made.program);
    gl.Uniform1i(gl.GetUniformLocation(made.program, "atlas"), 0);

    gl.GenVertexArrays(1, &made.vertexArray);
    gl.BindVertexArray(made.vertexArray);
    gl.GenBuffers(1, &made.vertexBuffer);
    gl.BindBuffer(GL_ARRAY_BUFFER, made.vertexBuffer);
    const auto stride = static_cast<GLsizei>(kFloatsPerVertex * sizeof(float));
    gl.EnableVertexAttribArray(0);
    gl.VertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, nullptr);
    gl.EnableVertexAttribArray(1);
    gl.VertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(2 * sizeof(float)));
    gl.BindVertexArray(0);

    GLint maxSize = 0;
    gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    made.pageSize = std::min(kPreferredPageSize, static_cast<int>(maxSize));
    made.atlas.pageSize = made.pageSize;
    renderer = std::move(made);
    return true;
}

void DestroyFontRenderer(FontRenderer& renderer)
{
    if (!renderer.pages.empty()) {
        gl.DeleteTextures(static_cast<GLsizei>(renderer.pages.size()), renderer.pages.data());
    }
    if (renderer.vertexBuffer != 0) gl.DeleteBuffers(1, &renderer.vertexBuffer);
    if (renderer.vertexArray != 0) gl.DeleteVertexArrays(1, &renderer.vertexArray);
    if (renderer.program != 0) gl.DeleteProgram(renderer.program);
    renderer = FontRenderer{};
}

const FontGlyph& GlyphFor(FontRenderer& renderer, FontFace& face, char32_t codepoint)
{
    auto cached = renderer.glyphs.find(codepoint);
    if (cached != renderer.glyphs.end()) return cached->second;

    FontGlyph glyph;
    GlyphImage image;
    if (RenderGlyph(face, codepoint, image)) {
        glyph.advance = image.advance;
        glyph.left = image.left;
        glyph.top = image.top;
        glyph.width = image.width;
        glyph.height = image.height;
        if (image.width > 0 && image.height > 0) {
            AtlasSpot spot;
            if (PlaceGlyph(renderer.atlas, image.width, image.height, spot)) {
                while (renderer.pages.size() < renderer.atlas.pages.size()) AddPageTexture(renderer);
                glyph.page = spot.page;
                glyph.x = spot.x;
                glyph.y = spot.y;
                gl.ActiveTexture(GL_TEXTURE0);
                gl.BindTexture(GL_TEXTURE_2D, renderer.pages[static_cast<size_t>(spot.page)]);
                gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
                gl.TexSubImage2D(GL_TEXTURE_2D, 0, spot.x, spot.y, image.width, image.height, GL_RED, GL_UNSIGNED_BYTE,
                                 image.coverage.data());
            }
        }
    }
    return renderer.glyphs.emplace(codepoint, glyph).first->second;
}

void DrawLaidOutText(FontRenderer& renderer, FontFace& face, Device& device, const TextLayout& layout, D3DCOLOR color,
                     const RECT* clip)
{
    // Render every glyph first: packing may add pages.
    for (const PlacedGlyph& placed : layout.glyphs) GlyphFor(renderer, face, placed.codepoint);

    SetTextState(device, clip);
    gl.UseProgram(renderer.program);
    gl.Uniform2f(renderer.targetSize, static_cast<float>(device.backBuffer.width),
                 static_cast<float>(device.backBuffer.height));
    const D3DCOLORVALUE value = ColorValueOf(color);
    gl.Uniform4fv(renderer.color, 1, &value.r);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindSampler(0, 0);
    gl.BindVertexArray(renderer.vertexArray);
    gl.BindBuffer(GL_ARRAY_BUFFER, renderer.vertexBuffer);

    const float pageSize = static_cast<float>(renderer.pageSize);
    for (size_t page = 0; page < renderer.pages.size(); ++page) {
        std::vector<float>& vertices = renderer.scratch;
        vertices.clear();
        for (const PlacedGlyph& placed : layout.glyphs) {
            const FontGlyph& glyph = renderer.glyphs.at(placed.codepoint);
            if (glyph.page != static_cast<int>(page)) continue;
            const float x0 = static_cast<float>(placed.x + glyph.left);
            const float y0 = static_cast<float>(placed.lineTop + face.ascent - glyph.top);
            const float x1 = x0 + static_cast<float>(glyph.width);
            const float y1 = y0 + static_cast<float>(glyph.height);
            const float u0 = static_cast<float>(glyph.x) / pageSize;
            const float v0 = static_cast<float>(glyph.y) / pageSize;
            const float u1 = static_cast<float>(glyph.x + glyph.width) / pageSize;
            const float v1 = static_cast<float>(glyph.y + glyph.height) / pageSize;
            PushVertex(vertices, x0, y0, u0, v0);
            PushVertex(vertices, x1, y0, u1, v0);
            PushVertex(vertices, x0, y1, u0, v1);
            PushVertex(vertices, x1, y0, u1, v0);
            PushVertex(vertices, x1, y1, u1, v1);
            PushVertex(vertices, x0, y1, u0, v1);
        }
        if (vertices.empty()) continue;
        gl.BindTexture(GL_TEXTURE_2D, renderer.pages[page]);
        gl.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)), vertices.data(),
                      GL_STREAM_DRAW);
        gl.DrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size() / kFloatsPerVertex));
    }
    gl.BindVertexArray(0);
    InvalidateGlState(device);
}

} // namespace portable

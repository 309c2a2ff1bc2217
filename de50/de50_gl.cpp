#include "de50/de50_gl.h"

#include "de50/de50_base.h"
#include "de50/de50_internal.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace DE50
{

namespace
{

// How each blend mode reaches the screen. Colour and alpha have their own factors, so that
// render targets can keep a usable alpha channel. Shader ops: 0 plain, 1 colour faded to
// white by alpha (multiply), 2 colour scaled by alpha, 3 plain colour however the texture
// stores it (opaque).
struct TBlendRow
{
    uint32_t mode;
    const char* form;
    GLenum equation;
    GLenum srcRgb, dstRgb, srcAlpha, dstAlpha;
    int shaderOp;
};

const TBlendRow kBlendTable[] = {
    // 0: the normal alpha blend, alpha blended like colour.
    {0, "alpha", GL_FUNC_ADD, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, 0},
    // 1: replaces what is there.
    {1, "opaque", GL_FUNC_ADD, GL_ONE, GL_ZERO, GL_ONE, GL_ZERO, 3},
    // 2: adds the colour weighted by alpha; alpha kept, so light added inside a render target
    // is added again where the target is drawn.
    {2, "additive", GL_FUNC_ADD, GL_SRC_ALPHA, GL_ONE, GL_ZERO, GL_ONE, 0},
    // 3 without "new_subtractive": darkens by the colour (dst x (1 - colour x alpha)).
    {3, "subtractive (old)", GL_FUNC_ADD, GL_ZERO, GL_ONE_MINUS_SRC_COLOR, GL_ZERO, GL_ONE, 2},
    // 4: multiplies, fading to no change as alpha goes to 0.
    {4, "multiply", GL_FUNC_ADD, GL_DST_COLOR, GL_ZERO, GL_ZERO, GL_ONE, 1},
    // 5: colour already multiplied by alpha.
    {5, "premultiplied", GL_FUNC_ADD, GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA, 0},
    // 6 with "new_render_blend": colour weighted by alpha, alpha accumulated as coverage: the
    // target holds colour already multiplied by alpha, and is drawn back that way (below), so
    // it looks like the same drawing made on the screen directly.
    {6, "render target", GL_FUNC_ADD, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA,
     0},
    // 3 with "new_subtractive": subtracts the colour weighted by alpha; alpha kept.
    {3, "subtractive", GL_FUNC_REVERSE_SUBTRACT, GL_SRC_ALPHA, GL_ONE, GL_ZERO, GL_ONE, 0},
};
const uint32_t kRowNewSubtractive = 7;
// How far the GL viewport reaches past ours on every side, in pixels.
const int kGuardBand = 512;

const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec2 aPos;
layout(location = 1) in vec4 aColor;
layout(location = 2) in vec2 aUv;
uniform vec2 uScale;
uniform vec2 uOffset;
// Drawing is flat (w is always 1): plain linear interpolation gives the same values
// without llvmpipe's per-pixel perspective divide.
noperspective out vec4 vColor;
noperspective out vec2 vUv;
void main()
{
    gl_Position = vec4(aPos * uScale + uOffset, 0.0, 1.0);
    vColor = aColor.bgra;
    vUv = aUv;
}
)";

// One program per shader op, texture form and tint, chosen by defines: llvmpipe runs every
// branch of a fragment shader for each pixel, so branches on uniforms cost as much as taken
// ones. Untinted (all vertices white) drops the colour input and its product, both exact no-ops.
const char* kFragmentShader = R"(
noperspective in vec4 vColor;
noperspective in vec2 vUv;
uniform sampler2D uTex;
out vec4 oColor;
void main()
{
    vec4 c = texture(uTex, vUv);
#if PREMULTIPLIED
    // The texel's colour is already weighted by its alpha: weight the vertex colour the
    // same way; the blend then takes the colour as it comes instead of weighting it.
#if TINTED
    c *= vec4(vColor.rgb * vColor.a, vColor.a);
#endif
#if OP == 1
    c.rgb += 1.0 - c.a;
#elif OP == 3
    if (c.a > 0.0) c.rgb /= c.a;
#endif
#else
#if TINTED
    c *= vColor;
#endif
#if OP == 1
    c.rgb = mix(vec3(1.0), c.rgb, c.a);
#elif OP == 2
    c.rgb *= c.a;
#endif
#endif
    oColor = c;
}
)";

GLuint CompileShader(GLenum type, const char* source, const std::string& prefix = std::string())
{
    GLuint shader = glCreateShader(type);
    const char* sources[] = {prefix.c_str(), source};
    glShaderSource(shader, 2, sources, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok)
    {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        WriteDbg("Error: shader did not compile: %s", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint LinkProgram(int op, bool premultiplied, bool tinted)
{
    const std::string defines = "#version 330 core\n#define OP " + std::to_string(op) +
                                "\n#define PREMULTIPLIED " + (premultiplied ? "1" : "0") +
                                "\n#define TINTED " + (tinted ? "1" : "0") + "\n";
    GLuint vs = CompileShader(GL_VERTEX_SHADER, kVertexShader);
    GLuint fs = CompileShader(GL_FRAGMENT_SHADER, kFragmentShader, defines);
    GLuint program = 0;
    if (vs && fs)
    {
        program = glCreateProgram();
        glAttachShader(program, vs);
        glAttachShader(program, fs);
        glLinkProgram(program);
        GLint ok = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok)
        {
            WriteDbg("Error: shader program did not link");
            glDeleteProgram(program);
            program = 0;
        }
    }
    glDeleteShader(vs);
    glDeleteShader(fs);
    return program;
}

TURect Intersect(const TURect& a, uint32_t width, uint32_t height)
{
    TURect r(std::min(a.left, width), std::min(a.top, height), std::min(a.right, width),
             std::min(a.bottom, height));
    r.right = std::max(r.right, r.left);
    r.bottom = std::max(r.bottom, r.top);
    return r;
}

} // namespace

uint32_t BlendRowFor(uint32_t mode, bool newSubtractive, bool newRenderBlend)
{
    if (mode == 3 && newSubtractive) return kRowNewSubtractive;
    if (mode == 6 && !newRenderBlend) return 0;
    return mode <= 6 ? mode : 0;
}

bool TBatchKey::operator==(const TBatchKey& o) const
{
    return texture == o.texture && blendRow == o.blendRow && sampler == o.sampler &&
           primitive == o.primitive && framebuffer == o.framebuffer && targetWidth == o.targetWidth &&
           targetHeight == o.targetHeight && viewport == o.viewport && clip == o.clip;
}

// GL objects die with their context; at process exit no GL call is safe any more.
TGlBackend::~TGlBackend() = default;

bool TGlBackend::EnsureResources()
{
    if (m_ready) return true;
    if (!Internal::HasGlContext()) return false;
    if (!UseProgram(0, false, true)) return false;

    GLuint ids[3] = {};
    glGenVertexArrays(1, ids);
    glGenBuffers(2, ids + 1);
    m_vao = ids[0];
    m_vbo = ids[1];
    m_quadIndices = ids[2];
    m_quadCapacity = 0;
    GLint dims[2] = {};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    m_maxViewport = std::min(dims[0], dims[1]);
    glBindVertexArray(m_vao);
    glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
    // Part of the vertex array's state: stays bound with it.
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_quadIndices);
    const GLsizei stride = sizeof(TTransformedLitVert);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(0));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<void*>(12));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(16));

    GLuint samplers[8] = {};
    glGenSamplers(8, samplers);
    for (uint32_t i = 0; i < 8; ++i)
    {
        m_samplers[i] = samplers[i];
        glSamplerParameteri(samplers[i], GL_TEXTURE_WRAP_S, (i & 1) ? GL_REPEAT : GL_CLAMP_TO_EDGE);
        glSamplerParameteri(samplers[i], GL_TEXTURE_WRAP_T, (i & 2) ? GL_REPEAT : GL_CLAMP_TO_EDGE);
        GLint filter = (i & 4) ? GL_LINEAR : GL_NEAREST;
        glSamplerParameteri(samplers[i], GL_TEXTURE_MIN_FILTER, filter);
        glSamplerParameteri(samplers[i], GL_TEXTURE_MAG_FILTER, filter);
    }

    GLuint white = 0;
    glGenTextures(1, &white);
    m_white = white;
    const uint32_t pixel = 0xFFFFFFFFu;
    glBindTexture(GL_TEXTURE_2D, m_white);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &pixel);
    m_ready = true;
    return true;
}

void TGlBackend::Release()
{
    m_vertices.clear();
    m_tinted = false;
    m_keyTexture.reset();
    m_key = TBatchKey();
    if (Internal::HasGlContext())
    {
        GLuint ids[5] = {m_vao, m_vbo, m_white, m_screenTexture, m_quadIndices};
        glDeleteVertexArrays(1, ids);
        glDeleteBuffers(1, ids + 1);
        glDeleteTextures(1, ids + 2);
        glDeleteTextures(1, ids + 3);
        glDeleteBuffers(1, ids + 4);
        GLuint fbo = m_screenFbo;
        glDeleteFramebuffers(1, &fbo);
        GLuint samplers[8];
        std::copy(m_samplers, m_samplers + 8, samplers);
        glDeleteSamplers(8, samplers);
        for (const TProgram& p : m_programs)
            if (p.id) glDeleteProgram(p.id);
    }
    m_ready = false;
    m_direct = m_keepScreen = false;
    std::fill(std::begin(m_programs), std::end(m_programs), TProgram());
    m_vao = m_vbo = m_white = m_quadIndices = m_quadCapacity = 0;
    std::fill(m_samplers, m_samplers + 8, 0u);
    m_screenFbo = m_screenTexture = m_screenWidth = m_screenHeight = 0;
}

bool TGlBackend::SetScreenSize(uint32_t width, uint32_t height)
{
    Flush();
    if (!EnsureResources()) return false;
    if (width == m_screenWidth && height == m_screenHeight) return true;
    m_screenWidth = width;
    m_screenHeight = height;
    // A buffer already in use follows the new size at once; none is made before it is needed.
    return !m_screenFbo || MakeScreenBuffer();
}

uint32_t TGlBackend::ScreenFramebuffer()
{
    if (!m_screenFbo && m_screenWidth && m_ready && Internal::HasGlContext()) MakeScreenBuffer();
    return m_screenFbo;
}

bool TGlBackend::MakeScreenBuffer()
{
    if (!m_screenTexture)
    {
        GLuint tex = 0, fbo = 0;
        glGenTextures(1, &tex);
        glGenFramebuffers(1, &fbo);
        m_screenTexture = tex;
        m_screenFbo = fbo;
    }
    glBindTexture(GL_TEXTURE_2D, m_screenTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(m_screenWidth), GLsizei(m_screenHeight), 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, m_screenFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_screenTexture, 0);
    bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (!ok)
    {
        WriteDbg("Error: screen buffer %ux%u could not be made", m_screenWidth, m_screenHeight);
        m_screenWidth = m_screenHeight = 0;
    }
    else
        ClearFramebuffer(m_screenFbo, 0, 0, 0, 1);
    return ok;
}

void TGlBackend::ClearFramebuffer(uint32_t fbo, float r, float g, float b, float a)
{
    Flush();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT);
}

void TGlBackend::ClearRect(uint32_t fbo, const TURect& rect, uint32_t width, uint32_t height, TColor32 color)
{
    TURect r = Intersect(rect, width, height);
    if (!r.Width() || !r.Height()) return;
    Flush();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glEnable(GL_SCISSOR_TEST);
    // The window's rows count from the bottom; every other buffer holds rows top first.
    GLint y = fbo ? GLint(r.top) : GLint(height - r.bottom);
    glScissor(GLint(r.left), y, GLsizei(r.Width()), GLsizei(r.Height()));
    auto channel = [&](int shift) { return float((color.argb >> shift) & 0xFF) / 255.0f; };
    glClearColor(channel(16), channel(8), channel(0), channel(24));
    glClear(GL_COLOR_BUFFER_BIT);
}

void TGlBackend::Append(const TBatchKey& key, const std::shared_ptr<TTexture>& texture,
                        const TTransformedLitVert* v, uint32_t count, bool onTexels)
{
    // A full batch is sent and flushed at once, so the driver starts on it while the
    // rest of the frame is still being built.
    const uint32_t kMaxBatch = 6 * 4096;
    // A longer run goes in full batches: whole lines, triangles and quads each.
    for (; count > kMaxBatch; v += kMaxBatch, count -= kMaxBatch)
        Append(key, texture, v, kMaxBatch, onTexels);
    if (!m_vertices.empty() && !(key == m_key)) Flush();
    if (m_vertices.size() + count > kMaxBatch)
    {
        Flush();
        if (m_ready && Internal::HasGlContext()) glFlush();
    }
    if (m_vertices.empty())
    {
        m_key = key;
        m_keyTexture = texture;
        m_onTexels = true;
    }
    m_onTexels = m_onTexels && onTexels;
    m_vertices.insert(m_vertices.end(), v, v + count);
    for (uint32_t i = 0; i < count && !m_tinted; ++i)
        m_tinted = v[i].color.argb != 0xFFFFFFFFu;
}

// Programs are linked on first use: most games need only a few of them.
bool TGlBackend::UseProgram(int op, bool premultiplied, bool tinted)
{
    const size_t index = (size_t(op & 3) * 2 + (premultiplied ? 1 : 0)) * 2 + (tinted ? 1 : 0);
    TProgram& p = m_programs[index];
    if (!p.id && !p.failed)
    {
        p.id = LinkProgram(op & 3, premultiplied, tinted);
        p.failed = !p.id;
        if (p.id)
        {
            p.uScale = glGetUniformLocation(p.id, "uScale");
            p.uOffset = glGetUniformLocation(p.id, "uOffset");
            glUseProgram(p.id);
            glUniform1i(glGetUniformLocation(p.id, "uTex"), 0);
        }
    }
    if (!p.id) return false;
    glUseProgram(p.id);
    m_current = index;
    return true;
}

void TGlBackend::ApplyState(const TBatchKey& key)
{
    // First: making a texture's GL objects may touch the framebuffer and scissor state.
    glActiveTexture(GL_TEXTURE0);
    GLuint tex = m_keyTexture ? m_keyTexture->GlTexture() : 0;
    glBindTexture(GL_TEXTURE_2D, tex ? tex : m_white);
    glBindSampler(0, m_samplers[key.sampler & (m_onTexels ? 3 : 7)]);
    glBindFramebuffer(GL_FRAMEBUFFER, key.framebuffer);
    const TURect& vp = key.viewport;
    const bool window = key.framebuffer == 0;
    const GLint height = GLint(key.targetHeight);
    // The GL viewport reaches kGuardBand pixels past each side of ours, and the scissor keeps
    // drawing within ours: triangles that cross its edge are cut by the rasteriser instead of
    // being clipped one by one in the driver's geometry stage.
    // Never past the driver's largest viewport.
    const GLint widest = GLint(std::max(vp.Width(), vp.Height()));
    const GLint g = std::max(0, std::min(kGuardBand, (m_maxViewport - widest) / 2));
    glViewport(GLint(vp.left) - g, (window ? height - GLint(vp.bottom) : GLint(vp.top)) - g,
               GLsizei(vp.Width()) + 2 * g, GLsizei(vp.Height()) + 2 * g);
    TURect clip = Intersect(key.clip, key.targetWidth, key.targetHeight);
    clip = TURect(std::max(clip.left, vp.left), std::max(clip.top, vp.top), std::min(clip.right, vp.right),
                  std::min(clip.bottom, vp.bottom));
    clip.right = std::max(clip.right, clip.left);
    clip.bottom = std::max(clip.bottom, clip.top);
    glEnable(GL_SCISSOR_TEST);
    glScissor(GLint(clip.left), window ? height - GLint(clip.bottom) : GLint(clip.top), GLsizei(clip.Width()),
              GLsizei(clip.Height()));

    const TBlendRow& row = kBlendTable[key.blendRow];
    const bool premultiplied = m_keyTexture && m_keyTexture->IsPremultiplied();
    // A premultiplied colour comes out of the shader weighted already.
    GLenum srcRgb = premultiplied && row.srcRgb == GL_SRC_ALPHA ? GL_ONE : row.srcRgb;
    glEnable(GL_BLEND);
    glBlendEquation(row.equation);
    glBlendFuncSeparate(srcRgb, row.dstRgb, row.srcAlpha, row.dstAlpha);

    if (!UseProgram(row.shaderOp, premultiplied, m_tinted)) UseProgram(0, false, true);
    const TProgram& program = m_programs[m_current];
    // Pixel (x, y) of our viewport lands on pixel (x + g, y + g) of the wider one.
    const float w = float(std::max(vp.Width(), 1u) + 2 * g), h = float(std::max(vp.Height(), 1u) + 2 * g);
    const float ox = 2.0f * g / w - 1.0f, oy = 2.0f * g / h - 1.0f;
    glUniform2f(program.uScale, 2.0f / w, (window ? -2.0f : 2.0f) / h);
    glUniform2f(program.uOffset, ox, window ? -oy : oy);

    glBindVertexArray(m_vao);
}

void TGlBackend::EnsureQuadIndices(uint32_t quads)
{
    if (quads <= m_quadCapacity) return;
    // Grown in steps, so that a growing scene does not rebuild them every frame.
    const uint32_t capacity = std::max(quads, std::max(m_quadCapacity * 2, 1024u));
    // The same two triangles of every quad in two orders, one list after the other (see DrawQuads).
    std::vector<uint32_t> indices(size_t(capacity) * 12);
    for (uint32_t q = 0; q < capacity; ++q)
    {
        // Top-left, top-right, bottom-left; then bottom-left, top-right, bottom-right, or
        // top-right, bottom-left, bottom-right, which faces the other way.
        const uint32_t v = q * 4;
        const uint32_t pair[6] = {v, v + 1, v + 2, v + 2, v + 1, v + 3};
        const uint32_t turned[6] = {v, v + 1, v + 2, v + 1, v + 2, v + 3};
        std::copy(pair, pair + 6, indices.begin() + size_t(q) * 6);
        std::copy(turned, turned + 6, indices.begin() + size_t(capacity + q) * 6);
    }
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(uint32_t)), indices.data(),
                 GL_STATIC_DRAW);
    m_quadCapacity = capacity;
}

// llvmpipe draws two triangles that face the same way and make a screen-aligned
// rectangle as one rectangle: no edge tests, and its linear rasteriser for plain
// shaders. It looks for them only in draws of whole pairs, and cuts longer draws into
// runs of 1023 indices. A rectangle gives the pixels of its triangles only where
// pixels and texels meet: those batches go in runs of whole pairs, every other batch
// with its second triangles turned, which keeps it to triangles and their pixels.
void TGlBackend::DrawQuads(uint32_t quads)
{
    EnsureQuadIndices(quads);
    if (!m_onTexels)
    {
        const size_t turned = size_t(m_quadCapacity) * 6 * sizeof(uint32_t);
        glDrawElements(GL_TRIANGLES, GLsizei(quads) * 6, GL_UNSIGNED_INT, reinterpret_cast<const void*>(turned));
        return;
    }
    const uint32_t kRun = 170;
    m_runCounts.clear();
    m_runOffsets.clear();
    for (uint32_t first = 0; first < quads; first += kRun)
    {
        m_runCounts.push_back(GLsizei(std::min(kRun, quads - first) * 6));
        m_runOffsets.push_back(reinterpret_cast<const void*>(size_t(first) * 6 * sizeof(uint32_t)));
    }
    glMultiDrawElements(GL_TRIANGLES, m_runCounts.data(), GL_UNSIGNED_INT, m_runOffsets.data(),
                        GLsizei(m_runCounts.size()));
}

void TGlBackend::Flush()
{
    if (m_vertices.empty()) return;
    if (m_ready && Internal::HasGlContext())
    {
        ApplyState(m_key);
        glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(m_vertices.size() * sizeof(TTransformedLitVert)),
                     m_vertices.data(), GL_STREAM_DRAW);
        const uint32_t quads = uint32_t(m_vertices.size() / 4);
        if (m_key.primitive == kPrimitiveQuads)
            DrawQuads(quads);
        else
            glDrawArrays(m_key.primitive, 0, GLsizei(m_vertices.size()));
        ++m_drawCalls;
    }
    m_vertices.clear();
    m_tinted = false;
    m_keyTexture.reset();
}

uint32_t TGlBackend::BeginScreen()
{
    m_direct = false;
    SDL_Window* window = Internal::Window();
    if (window && m_screenWidth && !m_keepScreen)
    {
        int dw = 0, dh = 0;
        SDL_GL_GetDrawableSize(window, &dw, &dh);
        m_direct = uint32_t(dw) == m_screenWidth && uint32_t(dh) == m_screenHeight;
    }
    return m_direct ? 0 : ScreenFramebuffer();
}

void TGlBackend::Present()
{
    Flush();
    SDL_Window* window = Internal::Window();
    if (!window || !m_screenWidth) return;
    if (m_direct)
    {
        SDL_GL_SwapWindow(window);
        return;
    }
    if (!ScreenFramebuffer()) return;
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(window, &dw, &dh);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (dw > 0 && dh > 0 && m_screenWidth && m_screenHeight)
    {
        double scale = std::min(double(dw) / m_screenWidth, double(dh) / m_screenHeight);
        int w = int(m_screenWidth * scale), h = int(m_screenHeight * scale);
        int x = (dw - w) / 2, y = (dh - h) / 2;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_screenFbo);
        // The buffer holds rows top first; the window's rows count from the bottom.
        glBlitFramebuffer(0, 0, GLint(m_screenWidth), GLint(m_screenHeight), x, y + h, x + w, y,
                          GL_COLOR_BUFFER_BIT,
                          (w == int(m_screenWidth) && h == int(m_screenHeight)) ? GL_NEAREST : GL_LINEAR);
    }
    SDL_GL_SwapWindow(window);
}

bool TGlBackend::ReadFramebuffer(uint32_t fbo, uint32_t width, uint32_t height, std::vector<uint32_t>& pixels)
{
    Flush();
    if (!m_ready || !width || !height) return false;
    pixels.assign(size_t(width) * height, 0u);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, GLsizei(width), GLsizei(height), GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    if (fbo == 0)
        for (uint32_t y = 0; y < height / 2; ++y)
            std::swap_ranges(pixels.begin() + size_t(y) * width, pixels.begin() + size_t(y + 1) * width,
                             pixels.begin() + size_t(height - 1 - y) * width);
    return true;
}

} // namespace DE50

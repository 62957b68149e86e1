// The 3D view's OpenGL scene: the driver's entry points, one shader pass for lit,
// textured faces with their edges, the mesh in vertex buffers, textures and read-back.
//
// Sections:
//   Entry points  Functions, loadFunctions
//   Shaders       the mesh shader, compile, buildProgram
//   Colours       colour, drawable
//   Creation      create, makeCurrent, textureChanged
//   Buffers       syncGeometry, syncCorners (what a change can alter), collectDots
//   Textures      textureFor, checkerTexture
//   Frames        beginFrame, line, present, readBack
#include "GLScene.h"

#include "io/MeshFile.h"

#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace loomhost {

namespace {

using devhost::DevFace;
using devhost::DevVertex;

// ---- Entry points ----

// Buffers and shaders come from the driver (opengl32.dll exports only OpenGL 1.1);
// one context, so one set of entry points.
#define LOOMHOST_GL_FUNCTIONS(X)                                                                   \
    X(PFNGLGENBUFFERSPROC, glGenBuffers) X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                \
    X(PFNGLBINDBUFFERPROC, glBindBuffer) X(PFNGLBUFFERDATAPROC, glBufferData)                      \
    X(PFNGLBUFFERSUBDATAPROC, glBufferSubData) X(PFNGLCREATESHADERPROC, glCreateShader)            \
    X(PFNGLSHADERSOURCEPROC, glShaderSource) X(PFNGLCOMPILESHADERPROC, glCompileShader)            \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv) X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)        \
    X(PFNGLDELETESHADERPROC, glDeleteShader) X(PFNGLCREATEPROGRAMPROC, glCreateProgram)            \
    X(PFNGLATTACHSHADERPROC, glAttachShader) X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)  \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram) X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog) X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)  \
    X(PFNGLUSEPROGRAMPROC, glUseProgram) X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)      \
    X(PFNGLUNIFORM1IPROC, glUniform1i) X(PFNGLUNIFORM3FPROC, glUniform3f)                          \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv) X(PFNGLMULTIDRAWARRAYSPROC, glMultiDrawArrays) \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)                                 \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, glDisableVertexAttribArray)                               \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)

struct Functions {
#define LOOMHOST_GL_MEMBER(type, name) type name = nullptr;
    LOOMHOST_GL_FUNCTIONS(LOOMHOST_GL_MEMBER)
#undef LOOMHOST_GL_MEMBER
} gl;

bool loadFunctions() {
    bool all = true;
#define LOOMHOST_GL_LOAD(type, name)                                                             \
    gl.name = reinterpret_cast<type>(reinterpret_cast<void*>(wglGetProcAddress(#name))); \
    all = all && gl.name;
    LOOMHOST_GL_FUNCTIONS(LOOMHOST_GL_LOAD)
#undef LOOMHOST_GL_LOAD
    return all;
}

// ---- Shaders ----

// Attribute slots of the mesh shader.
enum Attribute : GLuint { POSITION = 0, NORMAL = 1, UV = 2, MARKS = 3 };

// One pass draws the lit, textured faces with their edges: each corner knows which
// corner of its triangle it is (corner c of face f is array entry 3 f + c), so the
// fragment's distance to the nearest edge comes from interpolated barycentrics.
// Wireframe keeps only the edges. Selected vertices are drawn afterwards as square points
// (smoothed points cost the software renderer more than the whole mesh on large grids).
const char* const kVertexShader = R"(#version 130
in vec3 position;
in vec3 normal;
in vec2 uv;
in float marks;  // bit 0: the face is selected
uniform mat4 modelView;
uniform mat4 projection;
out vec2 texCoord;
out float shade;
out vec2 barycentric;  // the third is 1 - x - y
flat out int faceMarks;
void main() {
    vec3 n = normalize(mat3(modelView) * normal);
    shade = 0.3 + 0.7 * abs(dot(n, normalize(vec3(0.3, 0.45, 0.8))));
    int k = gl_VertexID % 3;  // drawn from the arrays, the vertex number is the corner's
    barycentric = vec2(k == 0, k == 1);
    texCoord = uv;
    faceMarks = int(marks + 0.5);
    gl_Position = projection * (modelView * vec4(position, 1.0));
}
)";

const char* const kFragmentShader = R"(#version 130
in vec2 texCoord;
in float shade;
in vec2 barycentric;
flat in int faceMarks;
uniform sampler2D image;
uniform int textured;
uniform int wireframe;
uniform vec3 faceColour;
out vec4 fragment;
void main() {
    vec3 corner = vec3(barycentric, 1.0 - barycentric.x - barycentric.y);
    vec3 width = fwidth(corner);
    vec3 inside = smoothstep(vec3(0.0), width * 1.2, corner);
    // Edges fade out on triangles a few pixels across, where they would hide the faces.
    float across = max(max(width.x, width.y), width.z);
    float edge = (1.0 - min(min(inside.x, inside.y), inside.z)) * clamp((0.3 - across) * 8.0, 0.0, 1.0);
    bool selected = (faceMarks & 1) != 0;
    if (wireframe != 0) {
        if (edge < 0.3) discard;
        fragment = vec4(selected ? vec3(0.925, 0.47, 0.157) : vec3(0.784, 0.804, 0.843), 1.0);
        return;
    }
    vec3 colour = (textured != 0 ? texture(image, texCoord).rgb : faceColour) * shade;
    if (selected) colour = mix(colour, vec3(0.925, 0.47, 0.157), 0.45);
    colour = mix(colour, selected ? vec3(0.46, 0.235, 0.08) : vec3(0.157, 0.165, 0.188), edge);
    fragment = vec4(colour, 1.0);
}
)";

GLuint compile(GLenum kind, const char* source, std::string& problem) {
    GLuint shader = gl.glCreateShader(kind);
    gl.glShaderSource(shader, 1, &source, nullptr);
    gl.glCompileShader(shader);
    GLint ok = GL_FALSE;
    gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[512] = {};
        gl.glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        problem = std::string("the mesh shader does not compile: ") + log;
    }
    return shader;
}

GLuint buildProgram(std::string& problem) {
    GLuint vertex = compile(GL_VERTEX_SHADER, kVertexShader, problem);
    GLuint fragment = compile(GL_FRAGMENT_SHADER, kFragmentShader, problem);
    GLuint program = gl.glCreateProgram();
    gl.glAttachShader(program, vertex);
    gl.glAttachShader(program, fragment);
    gl.glBindAttribLocation(program, POSITION, "position");
    gl.glBindAttribLocation(program, NORMAL, "normal");
    gl.glBindAttribLocation(program, UV, "uv");
    gl.glBindAttribLocation(program, MARKS, "marks");
    gl.glLinkProgram(program);
    gl.glDeleteShader(vertex);
    gl.glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    gl.glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok && problem.empty()) {
        char log[512] = {};
        gl.glGetProgramInfoLog(program, sizeof log, nullptr, log);
        problem = std::string("the mesh shader does not link: ") + log;
    }
    if (problem.empty()) return program;
    gl.glDeleteProgram(program);
    return 0;
}

// ---- Colours ----

constexpr float kBackground[3] = {58 / 255.0f, 62 / 255.0f, 70 / 255.0f};
constexpr float kFaceColour[3] = {176 / 255.0f, 180 / 255.0f, 188 / 255.0f};
constexpr int kCheckerSize = 256, kCheckerCells = 8;

void colour(DWORD rgb) {
    glColor3f(((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f);
}

bool finite3(const float p[3]) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

// A face whose corners all name vertices at finite positions.
bool drawable(const DevFace& face, const std::vector<DevVertex>& vertices) {
    for (int c = 0; c < 3; ++c)
        if (face.vertex[c] >= vertices.size() || !finite3(vertices[face.vertex[c]].position)) return false;
    return true;
}

float finiteOr0(float value) { return std::isfinite(value) ? value : 0.0f; }

bool emptyRect(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

}  // namespace

// ---- Creation ----

std::unique_ptr<GLScene> GLScene::create(HWND window, std::string& problem) {
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.cDepthBits = 24;
    format.iLayerType = PFD_MAIN_PLANE;
    int chosen = ChoosePixelFormat(dc, &format);
    HGLRC context = nullptr;
    const char* failure = nullptr;
    if (!chosen || !SetPixelFormat(dc, chosen, &format)) failure = "no OpenGL pixel format for the window";
    else if (!(context = wglCreateContext(dc))) failure = "no OpenGL context could be made";
    else if (!wglMakeCurrent(dc, context)) failure = "the OpenGL context cannot be used";
    if (failure) {
        problem = failure;
        if (context) wglDeleteContext(context);
        ReleaseDC(window, dc);
        return nullptr;
    }
    GLuint program = 0;
    if (!loadFunctions()) problem = "OpenGL 3.0 or later is needed";
    else program = buildProgram(problem);
    if (!program) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
        ReleaseDC(window, dc);
        return nullptr;
    }
    return std::unique_ptr<GLScene>(new GLScene(window, dc, context, program));
}

GLScene::GLScene(HWND window, HDC dc, HGLRC context, GLuint program)
    : window_(window), dc_(dc), context_(context), program_(program) {
    auto text = [](GLenum name) {
        const GLubyte* value = glGetString(name);
        return value ? std::string(reinterpret_cast<const char*>(value)) : std::string("?");
    };
    renderer_ = text(GL_RENDERER) + ", OpenGL " + text(GL_VERSION);
    GLuint buffers[3];
    gl.glGenBuffers(3, buffers);
    geometryBuffer_ = buffers[0];
    uvBuffer_ = buffers[1];
    marksBuffer_ = buffers[2];
    for (const char* name : {"modelView", "projection", "image", "textured", "wireframe", "faceColour"})
        uniforms_.push_back(gl.glGetUniformLocation(program_, name));
}

GLScene::~GLScene() {
    makeCurrent();
    const GLuint buffers[3] = {geometryBuffer_, uvBuffer_, marksBuffer_};
    gl.glDeleteBuffers(3, buffers);
    gl.glDeleteProgram(program_);
    for (auto& [id, texture] : textures_) glDeleteTextures(1, &texture.name);
    if (checker_) glDeleteTextures(1, &checker_);
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context_);
    ReleaseDC(window_, dc_);
}

void GLScene::makeCurrent() {
    if (wglGetCurrentContext() != context_) wglMakeCurrent(dc_, context_);
}

void GLScene::textureChanged(LONG id, const RECT* area) {
    auto found = textures_.find(id);
    if (found == textures_.end()) return;
    Texture& texture = found->second;
    if (!area) {
        texture.whole = true;
        return;
    }
    if (emptyRect(texture.stale)) texture.stale = *area;
    else UnionRect(&texture.stale, &texture.stale, area);
}

// ---- Buffers ----

// Positions and face normals, three corners per face; read once per mesh.
void GLScene::syncGeometry(devhost::Document& document) {
    const std::vector<DevFace>& faces = document.faces();
    const std::vector<DevVertex>& vertices = document.vertices();
    std::vector<float> geometry(faces.size() * 18, 0.0f);
    for (size_t f = 0; f < faces.size(); ++f) {
        if (!drawable(faces[f], vertices)) continue;
        float normal[3];
        devhost::geometricNormal(faces[f], vertices, normal);
        for (int c = 0; c < 3; ++c) {
            float* corner = &geometry[(3 * f + c) * 6];
            std::memcpy(corner, vertices[faces[f].vertex[c]].position, sizeof(float) * 3);
            std::memcpy(corner + 3, normal, sizeof normal);
        }
    }
    gl.glBindBuffer(GL_ARRAY_BUFFER, geometryBuffer_);
    gl.glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(geometry.size() * sizeof(float)), geometry.data(), GL_STATIC_DRAW);
    uvs_.assign(faces.size() * 6, 0.0f);
    gl.glBindBuffer(GL_ARRAY_BUFFER, uvBuffer_);
    gl.glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(uvs_.size() * sizeof(float)), uvs_.data(), GL_DYNAMIC_DRAW);
    marks_.assign(faces.size() * 3, 0);
    gl.glBindBuffer(GL_ARRAY_BUFFER, marksBuffer_);
    gl.glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(marks_.size()), marks_.data(), GL_DYNAMIC_DRAW);
    faceKeys_.assign(faces.size(), ~std::uint32_t(0));  // forces the grouping below
    faceCount_ = faces.size();
    geometryStale_ = false;
}

namespace {
// The face's selection and its corners' vertices' selection, as the shader reads them.
std::uint8_t faceMarks(const DevFace& face, const std::vector<DevVertex>& vertices) {
    std::uint8_t marks = (face.flags & devhost::DEV_FACE_SELECTED) ? 1 : 0;
    for (int c = 0; c < 3; ++c)
        if (face.vertex[c] < vertices.size() && (vertices[face.vertex[c]].flags & devhost::DEV_VERTEX_SELECTED))
            marks |= std::uint8_t(2 << c);
    return marks;
}

// Grows [low, high) to hold `index`.
void widen(size_t& low, size_t& high, size_t index) {
    low = std::min(low, index);
    high = std::max(high, index + 1);
}

template <typename T>
void upload(GLuint buffer, const std::vector<T>& values, size_t perFace, size_t low, size_t high) {
    if (low >= high) return;
    gl.glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl.glBufferSubData(GL_ARRAY_BUFFER, GLintptr(low * perFace * sizeof(T)), GLsizeiptr((high - low) * perFace * sizeof(T)),
                       values.data() + low * perFace);
}
}  // namespace

// What a change event can alter: UVs and selection marks (each uploaded over the
// faces where they differ), and the flags and materials that decide which faces
// show and with what texture.
void GLScene::syncCorners(devhost::Document& document) {
    const std::vector<DevFace>& faces = document.faces();
    const std::vector<DevVertex>& vertices = document.vertices();
    size_t uvLow = faces.size(), uvHigh = 0, marksLow = faces.size(), marksHigh = 0;
    bool regroup = false;
    for (size_t f = 0; f < faces.size(); ++f) {
        const DevFace& face = faces[f];
        float* uv = &uvs_[6 * f];
        if (std::memcmp(uv, face.uv, sizeof face.uv) != 0) {
            for (int k = 0; k < 6; ++k) uv[k] = finiteOr0(face.uv[k / 2][k % 2]);
            widen(uvLow, uvHigh, f);
        }
        std::uint8_t marks = faceMarks(face, vertices);
        if (marks_[3 * f] != marks) {
            marks_[3 * f] = marks_[3 * f + 1] = marks_[3 * f + 2] = marks;
            widen(marksLow, marksHigh, f);
        }
        std::uint32_t key = (face.flags & devhost::DEV_FACE_HIDDEN ? 1u : 0u) |
                            (std::min<std::uint32_t>(face.material, 0x3FFFFFFF) << 1);
        if (faceKeys_[f] != key) {
            faceKeys_[f] = key;
            regroup = true;
        }
    }
    upload(uvBuffer_, uvs_, 6, uvLow, uvHigh);
    upload(marksBuffer_, marks_, 3, marksLow, marksHigh);
    if (marksLow < marksHigh || regroup) collectDots(faces, vertices);
    if (!regroup) return;
    // Visible faces by material, one draw per texture.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> order;  // material, face
    order.reserve(faces.size());
    for (size_t f = 0; f < faces.size(); ++f)
        if (!(faces[f].flags & devhost::DEV_FACE_HIDDEN) && drawable(faces[f], vertices))
            order.emplace_back(faces[f].material, std::uint32_t(f));
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    // Runs of consecutive faces draw straight from the arrays, without indices.
    batches_.clear();
    for (size_t i = 0; i < order.size(); ++i) {
        const auto [material, face] = order[i];
        if (batches_.empty() || batches_.back().material != material) batches_.push_back({material, {}, {}});
        Batch& batch = batches_.back();
        if (i > 0 && order[i - 1].first == material && order[i - 1].second + 1 == face) batch.counts.back() += 3;
        else {
            batch.firsts.push_back(GLint(3 * face));
            batch.counts.push_back(3);
        }
    }
}

// The selected vertices of the visible faces, each once.
void GLScene::collectDots(const std::vector<DevFace>& faces, const std::vector<DevVertex>& vertices) {
    dots_.clear();
    std::vector<bool> taken(vertices.size());
    for (size_t f = 0; f < faces.size(); ++f) {
        if ((marks_[3 * f] & 0xE) == 0 || (faces[f].flags & devhost::DEV_FACE_HIDDEN) || !drawable(faces[f], vertices))
            continue;
        for (int c = 0; c < 3; ++c) {
            std::uint32_t v = faces[f].vertex[c];
            if (!(marks_[3 * f] & (2 << c)) || taken[v]) continue;
            taken[v] = true;
            dots_.insert(dots_.end(), vertices[v].position, vertices[v].position + 3);
        }
    }
}

// ---- Textures ----

// The document texture's pixels in a GL texture; 0 when there is no such texture.
GLuint GLScene::textureFor(devhost::Document& document, LONG id) {
    devhost::TextureNode* node = id ? document.texture(id) : nullptr;
    auto found = textures_.find(id);
    if (!node) {
        if (found != textures_.end()) {
            glDeleteTextures(1, &found->second.name);
            textures_.erase(found);
        }
        return 0;
    }
    const devhost::Pixels32& image = node->image();
    if (image.pixels.empty()) return 0;
    Texture& texture = textures_[id];
    if (!texture.name) {
        glGenTextures(1, &texture.name);
        texture.whole = true;
    }
    glBindTexture(GL_TEXTURE_2D, texture.name);
    if (texture.whole || texture.width != image.width || texture.height != image.height) {
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.width, image.height, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                     image.pixels.data());
        texture.width = image.width;
        texture.height = image.height;
        texture.whole = false;
        texture.stale = {};
    } else if (!emptyRect(texture.stale)) {
        // Only the announced rectangle, clipped to the image.
        RECT all = {0, 0, image.width, image.height}, part;
        if (IntersectRect(&part, &texture.stale, &all)) {
            glPixelStorei(GL_UNPACK_ROW_LENGTH, image.width);
            glTexSubImage2D(GL_TEXTURE_2D, 0, part.left, part.top, part.right - part.left, part.bottom - part.top,
                            GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                            image.pixels.data() + size_t(part.top) * image.width + part.left);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        }
        texture.stale = {};
    }
    return texture.name;
}

// Light and dark cells, the light ones warmer to the right and greener downward, so
// that stretching and orientation both show.
GLuint GLScene::checkerTexture() {
    if (checker_) return checker_;
    std::vector<std::uint32_t> pixels(size_t(kCheckerSize) * kCheckerSize);
    const int cell = kCheckerSize / kCheckerCells;
    for (int y = 0; y < kCheckerSize; ++y)
        for (int x = 0; x < kCheckerSize; ++x) {
            int cx = x / cell, cy = y / cell;
            std::uint32_t r = 60, g = 60, b = 66;
            if ((cx + cy) % 2 == 0) r = 150 + 14 * cx, g = 150 + 12 * cy, b = 200;
            pixels[size_t(y) * kCheckerSize + x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    glGenTextures(1, &checker_);
    glBindTexture(GL_TEXTURE_2D, checker_);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kCheckerSize, kCheckerSize, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                 pixels.data());
    return checker_;
}

// ---- Frames ----

void GLScene::beginFrame(devhost::Document& document, const SceneOptions& options, const SceneCamera& camera,
                         int width, int height) {
    makeCurrent();
    if (geometryStale_ || faceCount_ != document.faces().size()) syncGeometry(document);
    syncCorners(document);

    glViewport(0, 0, std::max(width, 1), std::max(height, 1));
    glClearColor(kBackground[0], kBackground[1], kBackground[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_CULL_FACE);
    if (options.wireframe) glDisable(GL_DEPTH_TEST);
    else glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);

    gl.glUseProgram(program_);
    gl.glUniformMatrix4fv(uniforms_[0], 1, GL_FALSE, camera.modelView);
    gl.glUniformMatrix4fv(uniforms_[1], 1, GL_FALSE, camera.projection);
    gl.glUniform1i(uniforms_[2], 0);
    gl.glUniform1i(uniforms_[4], options.wireframe ? 1 : 0);
    gl.glUniform3f(uniforms_[5], kFaceColour[0], kFaceColour[1], kFaceColour[2]);
    gl.glBindBuffer(GL_ARRAY_BUFFER, geometryBuffer_);
    gl.glVertexAttribPointer(POSITION, 3, GL_FLOAT, GL_FALSE, 24, nullptr);
    gl.glVertexAttribPointer(NORMAL, 3, GL_FLOAT, GL_FALSE, 24, reinterpret_cast<const void*>(12));
    gl.glBindBuffer(GL_ARRAY_BUFFER, uvBuffer_);
    gl.glVertexAttribPointer(UV, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    gl.glBindBuffer(GL_ARRAY_BUFFER, marksBuffer_);
    gl.glVertexAttribPointer(MARKS, 1, GL_UNSIGNED_BYTE, GL_FALSE, 0, nullptr);
    for (GLuint attribute : {POSITION, NORMAL, UV, MARKS}) gl.glEnableVertexAttribArray(attribute);
    for (const Batch& batch : batches_) {
        LONG id = batch.material < options.materialTextures.size() ? options.materialTextures[batch.material] : 0;
        GLuint texture = options.wireframe ? 0 : options.checker ? checkerTexture() : textureFor(document, id);
        glBindTexture(GL_TEXTURE_2D, texture);
        if (texture) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        }
        gl.glUniform1i(uniforms_[3], texture ? 1 : 0);
        gl.glMultiDrawArrays(GL_TRIANGLES, batch.firsts.data(), batch.counts.data(), GLsizei(batch.firsts.size()));
    }
    for (GLuint attribute : {POSITION, NORMAL, UV, MARKS}) gl.glDisableVertexAttribArray(attribute);
    gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl.glUseProgram(0);

    // The plug-ins' lines go over everything, in the fixed-function pipeline.
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(camera.projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(camera.modelView);
    if (!dots_.empty()) {
        // Pulled a little towards the eye, so that the faces meeting at a vertex do not
        // cut its dot, while nearer faces still hide it.
        glDepthRange(0.0, 0.9995);
        glPointSize(6.0f);
        glColor3ub(255, 230, 60);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, dots_.data());
        glDrawArrays(GL_POINTS, 0, GLsizei(dots_.size() / 3));
        glDisableClientState(GL_VERTEX_ARRAY);
        glDepthRange(0.0, 1.0);
    }
    glDisable(GL_DEPTH_TEST);
}

void GLScene::line(const float a[3], const float b[3], DWORD colourRgb, float width) {
    glLineWidth(width);
    colour(colourRgb);
    glBegin(GL_LINES);
    glVertex3fv(a);
    glVertex3fv(b);
    glEnd();
}

void GLScene::present() {
    glFinish();
    SwapBuffers(dc_);
}

devhost::Pixels32 GLScene::readBack(int width, int height) {
    devhost::Pixels32 image{width, height, std::vector<std::uint32_t>(size_t(width) * height)};
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    std::vector<std::uint32_t> rows(image.pixels.size());
    glReadPixels(0, 0, width, height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, rows.data());
    // OpenGL's first row is the bottom one.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels[size_t(y) * width + x] = rows[size_t(height - 1 - y) * width + x] | 0xFF000000u;
    return image;
}

}  // namespace loomhost

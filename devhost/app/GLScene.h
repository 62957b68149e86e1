// The 3D view's OpenGL side: a WGL context on the view's window and the mesh in
// vertex buffers (positions and normals fixed per mesh, UVs refreshed on every
// change), drawn lit and depth-tested with each material's texture or a checker.
#pragma once

#include "lib/DevHost.h"

#include <windows.h>

#include <GL/gl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace loomhost {

// What one frame shows besides the mesh records.
struct SceneOptions {
    bool wireframe = false;
    bool checker = false;                // the built-in checker on every face
    std::vector<LONG> materialTextures;  // per face material: document texture id, 0 for none
};

// The camera as column-major OpenGL matrices.
struct SceneCamera {
    float projection[16] = {};
    float modelView[16] = {};
};

class GLScene {
public:
    // A context on the window, or null with why in `problem` (the view then draws
    // with GDI).
    static std::unique_ptr<GLScene> create(HWND window, std::string& problem);
    ~GLScene();
    GLScene(const GLScene&) = delete;
    GLScene& operator=(const GLScene&) = delete;

    const std::string& renderer() const { return renderer_; }

    // The mesh was replaced (or its sizes changed): everything is read again at the
    // next frame. Otherwise a frame re-reads only UVs, flags and materials.
    void meshReplaced() { geometryStale_ = true; }
    // Pixels of a document texture changed over the rectangle (all of it when null);
    // a deleted texture is dropped.
    void textureChanged(LONG id, const RECT* area);

    // Draws one frame into the back buffer; the caller adds its own lines (through
    // GL, while `current`) and then presents or reads back.
    void beginFrame(devhost::Document& document, const SceneOptions& options, const SceneCamera& camera,
                    int width, int height);
    void present();
    // The back buffer as first-row-first BGRA pixels.
    devhost::Pixels32 readBack(int width, int height);
    void line(const float a[3], const float b[3], DWORD colourRgb, float width);

private:
    GLScene(HWND window, HDC dc, HGLRC context, GLuint program);
    void makeCurrent();
    void syncGeometry(devhost::Document& document);
    void syncCorners(devhost::Document& document);
    void collectDots(const std::vector<devhost::DevFace>& faces, const std::vector<devhost::DevVertex>& vertices);
    GLuint textureFor(devhost::Document& document, LONG id);
    GLuint checkerTexture();

    HWND window_;
    HDC dc_;
    HGLRC context_;
    GLuint program_;
    std::vector<GLint> uniforms_;
    std::string renderer_;

    // Buffers: per face corner a position and normal (static), a UV and the face's
    // selection marks (dynamic). Visible faces by material, as runs of consecutive faces.
    GLuint geometryBuffer_ = 0, uvBuffer_ = 0, marksBuffer_ = 0;
    bool geometryStale_ = true;
    size_t faceCount_ = 0;
    std::vector<float> uvs_;                 // as last uploaded
    std::vector<std::uint8_t> marks_;        // per corner, as last uploaded
    std::vector<std::uint32_t> faceKeys_;    // flags and material per face, as last grouped
    std::vector<float> dots_;                // positions of the selected vertices shown
    struct Batch {
        std::uint32_t material;
        std::vector<GLint> firsts;    // first corner of each run
        std::vector<GLsizei> counts;  // corners of each run
    };
    std::vector<Batch> batches_;

    struct Texture {
        GLuint name = 0;
        int width = 0, height = 0;
        RECT stale = {};  // part still to upload; empty when up to date
        bool whole = true;
    };
    std::map<LONG, Texture> textures_;
    GLuint checker_ = 0;
};

}  // namespace loomhost

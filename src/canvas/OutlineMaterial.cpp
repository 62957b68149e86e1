// "Create Material With Outlines": the UV layout drawn as a wireframe image, optionally
// over the background texture, handed to the host as a new image and a material that
// uses it, so that a texture can be painted over the outlines.
#include "canvas/OutlineMaterial.h"

#include "canvas/UVCanvas.h"
#include "model/MeshLock.h"

#include <climits>
#include <cmath>
#include <cstdint>

namespace {

// Corner pixels stay inside the range GDI draws exactly, also after the shift; such
// layouts lie far outside any image anyway.
constexpr double kPixelLimit = 1e7;

int pixelOf(int extent, float t) {
    double value = static_cast<double>(extent - 1) * static_cast<double>(t);
    if (value > kPixelLimit) value = kPixelLimit;
    if (value < -kPixelLimit) value = -kPixelLimit;
    return static_cast<int>(value);  // truncation toward zero
}

// A corner that host data made NaN or infinite has no place in the picture.
bool finiteFace(const FaceRecord& face) {
    for (int c = 0; c < 3; ++c)
        if (!std::isfinite(face.uv[c][0]) || !std::isfinite(face.uv[c][1])) return false;
    return true;
}

// The outline image's size: the texture's, or the canvas size where that is 0 (no
// texture was ever loaded).
SIZE outlineSize(const UVCanvas& canvas) {
    const SIZE texture = canvas.textureSize();
    return SIZE{texture.cx ? texture.cx : canvas.view.canvasWidth, texture.cy ? texture.cy : canvas.view.canvasHeight};
}

// A top-down 32-bit DIB section for the outline image. Null when no image of that
// size can be described to the host (row pitch and byte size in a LONG; the check itself
// stays inside a long long for any two ints).
HBITMAP createOutlineImage(int width, int height, std::uint32_t*& pixels) {
    pixels = nullptr;
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > LONG_MAX / 4) return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 is v = 0
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (image && !bits) {
        DeleteObject(image);
        return nullptr;
    }
    pixels = static_cast<std::uint32_t*>(bits);
    return image;
}

}  // namespace

void UVCanvas::drawOutlines(HDC dc, bool useTexture) {
    const SIZE size = outlineSize(*this);
    const RECT area = {0, 0, size.cx, size.cy};
    if (HDC source = useTexture ? textureDC_.dc : nullptr) {
        // The bitmap is bottom-up: reading it from its last row upward puts the
        // texture's first row at row 0, as on the canvas.
        StretchBlt(dc, 0, 0, textureWidth_, textureHeight_, source, 0, textureHeight_ - 1, textureWidth_,
                   -textureHeight_, SRCCOPY);
    } else {
        fillWithColour(dc, area, view.backColor);
    }

    MeshLock lock(mesh_.Get());
    HPEN pen = CreatePen(PS_SOLID, 1, view.lineColor);
    HGDIOBJ previousPen = SelectObject(dc, pen);
    const FaceRecord* faces = lock.faces;
    const int count = faces ? lock.faceCount : 0;

    // Faces hidden in the UV editor are part of the layout to paint over: only the
    // face filter leaves faces out.
    int minX = INT_MAX, minY = INT_MAX;
    for (int i = 0; i < count; ++i) {
        const FaceRecord& face = faces[i];
        if (!view.faceFilter.passes(face.flags) || !finiteFace(face)) continue;
        for (int c = 0; c < 3; ++c) {
            const int x = pixelOf(extentWidth_, face.uv[c][0]), y = pixelOf(extentHeight_, face.uv[c][1]);
            if (x < minX) minX = x;
            if (y < minY) minY = y;
        }
    }
    for (int i = 0; i < count; ++i) {
        const FaceRecord& face = faces[i];
        if (!view.faceFilter.passes(face.flags) || !finiteFace(face)) continue;
        POINT corners[4];
        for (int c = 0; c < 3; ++c)
            corners[c] = POINT{pixelOf(extentWidth_, face.uv[c][0]) - minX,
                               pixelOf(extentHeight_, face.uv[c][1]) - minY};
        corners[3] = corners[0];
        Polyline(dc, corners, 4);
    }

    SelectObject(dc, previousPen);
    DeleteObject(pen);
}

void createOutlineMaterial(UVCanvas& canvas, HostDocument* document, bool useTexture) {
    const SIZE size = outlineSize(canvas);
    const int width = size.cx, height = size.cy;
    std::uint32_t* pixels = nullptr;
    HBITMAP image = createOutlineImage(width, height, pixels);
    if (!image) return;

    HWND canvasWindow = canvas.window();
    HDC windowDC = GetDC(canvasWindow);
    HDC memory = windowDC ? CreateCompatibleDC(windowDC) : nullptr;
    if (memory) {
        HGDIOBJ previous = SelectObject(memory, image);
        canvas.drawOutlines(memory, useTexture);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    if (windowDC) ReleaseDC(canvasWindow, windowDC);
    GdiFlush();

    if (document) document->BeginUndoGroup(L"Create Outline Material");
    HostRef<HostModel> model;
    HostRef<HostImage> hostImage;
    if (document) document->GetModel(model.GetAddressOf());
    if (model) model->CreateImage(L"OutlineImage", 0, 0, hostImage.GetAddressOf());
    if (hostImage) {
        const size_t pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);
        for (size_t i = 0; i < pixelCount; ++i) pixels[i] |= 0xFF000000u;  // opaque
        hostImage->SetPixels(width, height, 0, 4 * width, reinterpret_cast<BYTE*>(pixels), 0, 0);
        hostImage->CreateTexture(L"Create Texture");
        hostImage->Commit(1);
    }
    DeleteObject(image);

    // The material is made even when the host gave no image: it then has no texture.
    HostRef<HostMaterial> material;
    if (model) model->CreateMaterial(L"Outlines", material.GetAddressOf());
    if (material) material->SetTexture(0, hostImage.Get(), 0);
    if (document) document->EndUndoGroup(TRUE);
}

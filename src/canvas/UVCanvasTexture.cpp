// The texture behind the layout: the document's texture copied into a bitmap through
// the host's pixel converter, and the refresh of the pixels the host announced changed.
#include "canvas/CanvasDrawing.h"
#include "canvas/UVCanvas.h"

void UVCanvas::unloadTextureBitmap() {
    texturePixels_ = nullptr;
    textureDC_.release();
    if (textureBitmap_) DeleteObject(textureBitmap_);
    textureBitmap_ = nullptr;
}

void UVCanvas::loadTexture(LONG identifier) {
    extentWidth_ = textureWidth_ = view.canvasWidth;
    extentHeight_ = textureHeight_ = view.canvasHeight;
    unloadTextureBitmap();
    texture_.Reset();

    HostRef<IUnknown> documentNode;
    if (document_ && SUCCEEDED(document_->GetDocumentNode(documentNode.GetAddressOf())) && documentNode) {
        HostRef<HostNode> node, found;
        if (SUCCEEDED(documentNode.As(&node)) && node &&
            SUCCEEDED(node->FindTexture(identifier, found.GetAddressOf())) && found)
            found.As(&texture_);
    }
    if (!texture_) return;

    LONG loaded = 0, available = 0;
    texture_->CheckLoaded(&loaded);
    texture_->CheckPixels(&available);
    if (!loaded || !available) return;

    LONG bytes = 0, format = 0, width = 0, height = 0, p = 0, q = 0;
    DWORD palette[256] = {};
    texture_->GetBytesPerPixel(&bytes);
    texture_->GetPixelFormat(&format);
    texture_->GetPalette(0, 256, palette);
    texture_->GetImageInfo(&width, &height, &p, &q);
    extentWidth_ = width;
    extentHeight_ = height;

    // Sizes a host could not really hold are refused before any allocation.
    const bool plausible = width > 0 && height > 0 && width <= 32768 && height <= 32768;
    BITMAPINFO info = dibInfo(width, height);  // bottom-up rows
    void* bits = nullptr;
    if (plausible) textureBitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (textureBitmap_ && bits && textureDC_.select(textureBitmap_)) {
        texturePixels_ = static_cast<std::uint32_t*>(bits);
        HostRef<HostPixelConverter> converter;
        texture_->GetConverter(converter.GetAddressOf());
        if (converter) {
            HostPixelDesc from = {width, height, format, p, q, 256, palette, 0, nullptr};
            HostPixelDesc to = {width, height, 0, 0, 0, 0, nullptr, 4 * width,
                                static_cast<BYTE*>(bits)};
            converter->ConvertPixels(&to, 0, 0, width, height, &from, 0, 0, width, height);
        }
    } else {
        unloadTextureBitmap();
    }
    texture_->EndRead();
    textureWidth_ = width;
    textureHeight_ = height;
}

void UVCanvas::onTimer(UINT_PTR id) {
    if (id != kTextureRefreshTimer) return;
    KillTimer(window_, kTextureRefreshTimer);
    GdiFlush();
    if (!texture_) return;
    LONG format = 0, bytes = 0;
    texture_->GetPixelFormat(&format);
    texture_->GetBytesPerPixel(&bytes);
    // Only a copy that stays inside the bitmap is made.
    RECT r = dirtyRect_;
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > textureWidth_) r.right = textureWidth_;
    if (r.bottom > textureHeight_) r.bottom = textureHeight_;
    if (texturePixels_ && bytes >= 1 && bytes <= 4 && r.left < r.right && r.top < r.bottom) {
        BYTE* base = reinterpret_cast<BYTE*>(texturePixels_);
        size_t offset = (static_cast<size_t>(r.top) * static_cast<size_t>(textureWidth_) +
                         static_cast<size_t>(r.left)) * static_cast<size_t>(bytes);
        texture_->CopyRect(r.left, r.top, r.right, r.bottom, format, textureWidth_ * bytes, base + offset,
                          0, 0);
    }
    invalidate();
    dirtyRect_ = RECT{};
}

// Texture nodes as HostTexture: the pixels of a document texture, handed out as
// 32-bit BGRA (format 0, 4 bytes per pixel, first row first).
#include "Nodes.h"

#include <algorithm>
#include <cstring>

namespace devhost {
namespace {

constexpr LONG FORMAT_BGRA32 = 0;

class PixelConverter : public ComObject<HostPixelConverter> {
public:
    explicit PixelConverter(HostRef<TextureNode> texture, Link link)
        : texture_(std::move(texture)), link_(std::move(link)) {}

    // Copies the texture's source rectangle into the destination rectangle,
    // scaling by nearest pixel when the two differ in size.
    HRESULT STDMETHODCALLTYPE ConvertPixels(HostPixelDesc* destination, LONG dx, LONG dy, LONG dwidth,
                                            LONG dheight, HostPixelDesc* source, LONG sx, LONG sy,
                                            LONG swidth, LONG sheight) override {
        if (record(link_, "ConvertPixels", dx, dy, dwidth, dheight, sx, sy, swidth, sheight)) return failedCall();
        if (!destination || !source || !destination->pixels) return E_POINTER;
        const Pixels32& image = texture_->image();
        if (source->format != FORMAT_BGRA32 || destination->format != FORMAT_BGRA32) return E_INVALIDARG;
        if (dwidth <= 0 || dheight <= 0 || swidth <= 0 || sheight <= 0) return E_INVALIDARG;
        if (dx < 0 || dy < 0 || dx > destination->width - dwidth || dy > destination->height - dheight ||
            destination->rowPitch < static_cast<long long>(destination->width) * 4)
            return E_INVALIDARG;
        if (sx < 0 || sy < 0 || sx > image.width - swidth || sy > image.height - sheight) return E_INVALIDARG;
        for (LONG y = 0; y < dheight; ++y) {
            LONG from = sy + static_cast<LONG>(static_cast<long long>(y) * sheight / dheight);
            auto* row = reinterpret_cast<std::uint32_t*>(destination->pixels +
                                                         static_cast<size_t>(dy + y) * destination->rowPitch) + dx;
            const std::uint32_t* sourceRow = image.pixels.data() + static_cast<size_t>(from) * image.width;
            for (LONG x = 0; x < dwidth; ++x)
                row[x] = sourceRow[sx + static_cast<LONG>(static_cast<long long>(x) * swidth / dwidth)];
        }
        return S_OK;
    }

private:
    HostRef<TextureNode> texture_;
    Link link_;
};

}  // namespace

TextureNode::TextureNode(Link link, std::wstring name, Pixels32 image)
    : Node(std::move(link), std::move(name)), image_(std::move(image)) {}

void* TextureNode::queryExtra(REFIID riid) {
    return riid == IID_HostTexture ? static_cast<HostTexture*>(this) : nullptr;
}

HRESULT TextureNode::CheckLoaded(LONG* loaded) {
    if (record(link(), "CheckLoaded")) return failedCall(loaded);
    if (!loaded) return E_POINTER;
    *loaded = 1;
    return S_OK;
}

HRESULT TextureNode::CheckPixels(LONG* available) {
    if (record(link(), "CheckPixels")) return failedCall(available);
    if (!available) return E_POINTER;
    *available = image_.pixels.empty() ? 0 : 1;
    return S_OK;
}

HRESULT TextureNode::GetPixelFormat(LONG* format) {
    if (record(link(), "GetPixelFormat")) return failedCall(format);
    if (!format) return E_POINTER;
    *format = FORMAT_BGRA32;
    return S_OK;
}

HRESULT TextureNode::GetBytesPerPixel(LONG* bytes) {
    if (record(link(), "GetBytesPerPixel")) return failedCall(bytes);
    if (!bytes) return E_POINTER;
    *bytes = 4;
    return S_OK;
}

// p is the row size in bytes, q the bits per pixel.
HRESULT TextureNode::GetImageInfo(LONG* width, LONG* height, LONG* p, LONG* q) {
    if (record(link(), "GetImageInfo")) return failedCall(width, height, p, q);
    if (!width || !height || !p || !q) return E_POINTER;
    *width = image_.width;
    *height = image_.height;
    *p = image_.width * 4;
    *q = 32;
    return S_OK;
}

// 32-bit textures have no palette; the entries are answered as black.
HRESULT TextureNode::GetPalette(LONG first, LONG count, DWORD* entries) {
    if (record(link(), "GetPalette", first, count)) return failedCall();
    if (!entries) return E_POINTER;
    if (first < 0 || count < 0 || first > 256 - count) return E_INVALIDARG;
    std::fill_n(entries, count, 0u);
    return S_OK;
}

HRESULT TextureNode::GetConverter(HostPixelConverter** converter) {
    if (record(link(), "GetConverter")) return failedCall(converter);
    if (!converter) return E_POINTER;
    *converter = makeObject<PixelConverter>(HostRef<TextureNode>(this), link()).Detach();
    ++openReads_;
    return S_OK;
}

HRESULT TextureNode::EndRead() {
    const bool fail = record(link(), "EndRead");  // a failing close still closes
    if (openReads_ > 0) --openReads_;
    return fail ? E_FAIL : S_OK;
}

HRESULT TextureNode::CopyRect(LONG left, LONG top, LONG right, LONG bottom, LONG format, LONG rowPitch,
                              BYTE* destination, LONG reserved1, LONG reserved2) {
    if (record(link(), "CopyRect", left, top, right, bottom, format, rowPitch, static_cast<void*>(destination),
               reserved1, reserved2))
        return failedCall();
    if (!destination) return E_POINTER;
    if (format != FORMAT_BGRA32 || left >= right || top >= bottom) return E_INVALIDARG;
    if (rowPitch < (static_cast<long long>(right) - left) * 4) return E_INVALIDARG;
    // Only the part inside the texture is copied, each pixel to its own place.
    LONG x0 = std::max<LONG>(left, 0), x1 = std::min<LONG>(right, image_.width);
    LONG y0 = std::max<LONG>(top, 0), y1 = std::min<LONG>(bottom, image_.height);
    if (x0 >= x1 || y0 >= y1) return S_FALSE;
    for (LONG y = y0; y < y1; ++y)
        std::memcpy(destination + (static_cast<long long>(y) - top) * rowPitch + (static_cast<long long>(x0) - left) * 4,
                    image_.pixels.data() + static_cast<size_t>(y) * image_.width + x0,
                    static_cast<size_t>(x1 - x0) * 4);
    return S_OK;
}

}  // namespace devhost

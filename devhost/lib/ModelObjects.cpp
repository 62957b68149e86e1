#include "DevHost.h"

#include <cstring>

namespace devhost {

Image::Image(Link link, std::wstring name) : link_(std::move(link)), name_(std::move(name)) {}

HRESULT Image::SetPixels(LONG width, LONG height, LONG format, LONG rowPitch, BYTE* pixels, LONG reserved1,
                         LONG reserved2) {
    if (record(link_, "SetPixels", width, height, format, rowPitch, static_cast<void*>(pixels), reserved1, reserved2)) return failedCall();
    if (!pixels) return E_POINTER;
    // Larger images than any the plug-in makes are refused rather than allocated.
    constexpr LONG MAX_SIDE = 16384;
    if (format != 0 || width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE ||
        rowPitch < static_cast<long long>(width) * 4)
        return E_INVALIDARG;
    Pixels32 image{width, height, std::vector<std::uint32_t>(static_cast<size_t>(width) * height)};
    for (LONG y = 0; y < height; ++y)
        std::memcpy(image.pixels.data() + static_cast<size_t>(y) * width, pixels + static_cast<size_t>(y) * rowPitch,
                    static_cast<size_t>(width) * 4);
    image_ = std::move(image);
    return S_OK;
}

HRESULT Image::CreateTexture(LPCWSTR text) {
    if (record(link_, "CreateTexture", text)) return failedCall();
    hasTexture_ = true;
    textureText_ = text ? text : L"";
    return S_OK;
}

HRESULT Image::Commit(LONG flags) {
    if (record(link_, "Commit", flags)) return failedCall();
    ++commits_;
    return S_OK;
}

Material::Material(Link link, std::wstring name) : link_(std::move(link)), name_(std::move(name)) {}

HRESULT Material::SetTexture(LONG slot, HostImage* image, LONG reserved) {
    if (record(link_, "SetTexture", slot, static_cast<void*>(image), reserved)) return failedCall();
    if (slot != 0) return E_INVALIDARG;
    image_.Reset();
    slot_ = slot;
    if (!image) return S_OK;  // a material without texture image
    // Only images made by this host's model can be used.
    Document* document = link_->document;
    if (!document) return E_FAIL;
    for (const HostRef<Image>& own : document->images())
        if (static_cast<HostImage*>(own.Get()) == image) {
            image_ = own;
            return S_OK;
        }
    return E_INVALIDARG;
}

Model::Model(Link link) : link_(std::move(link)) {}

HRESULT Model::CreateImage(LPCWSTR name, LONG reserved1, LONG reserved2, HostImage** image) {
    if (record(link_, "CreateImage", name, reserved1, reserved2)) return failedCall(image);
    if (!image) return E_POINTER;
    *image = nullptr;
    if (!name) return E_POINTER;
    images_.push_back(makeObject<Image>(link_, name));
    *image = images_.back().Get();
    (*image)->AddRef();
    return S_OK;
}

HRESULT Model::CreateMaterial(LPCWSTR name, HostMaterial** material) {
    if (record(link_, "CreateMaterial", name)) return failedCall(material);
    if (!material) return E_POINTER;
    *material = nullptr;
    if (!name) return E_POINTER;
    materials_.push_back(makeObject<Material>(link_, name));
    *material = materials_.back().Get();
    (*material)->AddRef();
    return S_OK;
}

}  // namespace devhost

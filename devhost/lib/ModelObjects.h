// The document's model: images and materials the plug-in creates (outline material).
#pragma once

#include "ComObject.h"
#include "Journal.h"
#include "Nodes.h"

#include <string>
#include <vector>

namespace devhost {

class Image : public ComObject<HostImage> {
public:
    Image(Link link, std::wstring name);

    HRESULT STDMETHODCALLTYPE SetPixels(LONG width, LONG height, LONG format, LONG rowPitch,
                                        BYTE* pixels, LONG reserved1, LONG reserved2) override;
    HRESULT STDMETHODCALLTYPE CreateTexture(LPCWSTR text) override;
    HRESULT STDMETHODCALLTYPE Commit(LONG flags) override;

    const std::wstring& name() const { return name_; }
    // The pixels given to SetPixels, rows in the order given.
    const Pixels32& image() const { return image_; }
    bool hasTexture() const { return hasTexture_; }
    const std::wstring& textureText() const { return textureText_; }
    int commits() const { return commits_; }
    // Writes the pixels as a PNG file; throws std::runtime_error naming the file.
    void savePng(const std::wstring& path) const;

private:
    Link link_;
    std::wstring name_;
    Pixels32 image_;
    bool hasTexture_ = false;
    std::wstring textureText_;
    int commits_ = 0;
};

class Material : public ComObject<HostMaterial> {
public:
    Material(Link link, std::wstring name);

    HRESULT STDMETHODCALLTYPE SetTexture(LONG slot, HostImage* image, LONG reserved) override;

    const std::wstring& name() const { return name_; }
    Image* image() const { return image_.Get(); }  // the texture image of slot 0, or null
    LONG slot() const { return slot_; }

private:
    Link link_;
    std::wstring name_;
    HostRef<Image> image_;
    LONG slot_ = 0;
};

class Model : public ComObject<HostModel> {
public:
    explicit Model(Link link);

    HRESULT STDMETHODCALLTYPE CreateImage(LPCWSTR name, LONG reserved1, LONG reserved2,
                                          HostImage** image) override;
    HRESULT STDMETHODCALLTYPE CreateMaterial(LPCWSTR name, HostMaterial** material) override;

    const std::vector<HostRef<Image>>& images() const { return images_; }
    const std::vector<HostRef<Material>>& materials() const { return materials_; }

private:
    Link link_;
    std::vector<HostRef<Image>> images_;
    std::vector<HostRef<Material>> materials_;
};

}  // namespace devhost

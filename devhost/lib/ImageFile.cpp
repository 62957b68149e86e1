// Reading and writing image files through the platform's imaging component (WIC), and
// the host's members that do.
#include "DevHost.h"

#include <wincodec.h>

#include <stdexcept>

namespace devhost {
namespace {

// COM for the calling thread for the duration of one file operation.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
};

std::string hex(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

void check(HRESULT result, const std::wstring& path, const char* what) {
    if (FAILED(result)) throw std::runtime_error(utf8(path) + ": " + what + " (error " + hex(result) + ")");
}

HostRef<IWICImagingFactory> factory(const std::wstring& path) {
    HostRef<IWICImagingFactory> result;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(result.GetAddressOf())),
          path, "the imaging component is not available");
    return result;
}

// Says what is at the path when it is no file an image could be read from: the
// decoder would call a folder or a device "not an image".
void checkImageFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw std::runtime_error(utf8(path) + ": a folder, not an image file");
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        throw std::runtime_error(utf8(path) + (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                                                   ? ": no such file"
                                                   : ": cannot be opened (error " + std::to_string(error) + ")"));
    }
    const bool onDisk = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    if (!onDisk) throw std::runtime_error(utf8(path) + ": not a regular file");
}

}  // namespace

namespace {

// The first frame of the decoder's image as 32-bit pixels; `path` names it in messages.
Pixels32 decodeImage(IWICImagingFactory& wic, IWICBitmapDecoder& decoder, const std::wstring& path) {
    HostRef<IWICBitmapFrameDecode> frame;
    check(decoder.GetFrame(0, frame.GetAddressOf()), path, "the image has no frame");
    HostRef<IWICFormatConverter> converter;
    check(wic.CreateFormatConverter(converter.GetAddressOf()), path, "cannot convert the image");
    check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                WICBitmapPaletteTypeCustom),
          path, "cannot convert the image to 32-bit pixels");
    UINT width = 0, height = 0;
    check(converter->GetSize(&width, &height), path, "cannot read the image size");
    if (width == 0 || height == 0 || width > 32768 || height > 32768)
        throw std::runtime_error(utf8(path) + ": image size " + std::to_string(width) + " x " +
                                 std::to_string(height) + " is not supported");
    Pixels32 image{static_cast<int>(width), static_cast<int>(height),
                   std::vector<std::uint32_t>(static_cast<size_t>(width) * height)};
    check(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(image.pixels.size() * 4),
                                reinterpret_cast<BYTE*>(image.pixels.data())),
          path, "cannot read the pixels");
    return image;
}

}  // namespace

Pixels32 readImageFile(const std::wstring& path) {
    ComScope com;
    HostRef<IWICImagingFactory> wic = factory(path);
    checkImageFile(path);
    HostRef<IWICBitmapDecoder> decoder;
    check(wic->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                         decoder.GetAddressOf()),
          path, "not an image file this system can read");
    return decodeImage(*wic.Get(), *decoder.Get(), path);
}

Pixels32 readImageBytes(const std::string& bytes, const std::wstring& name) {
    if (bytes.empty() || bytes.size() > 0x7FFFFFFFu) throw std::runtime_error(utf8(name) + ": no image data");
    ComScope com;
    HostRef<IWICImagingFactory> wic = factory(name);
    HostRef<IWICStream> stream;
    check(wic->CreateStream(stream.GetAddressOf()), name, "cannot create a stream");
    check(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())), DWORD(bytes.size())),
          name, "cannot read the image data");
    HostRef<IWICBitmapDecoder> decoder;
    check(wic->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.GetAddressOf()),
          name, "not an image this system can read");
    return decodeImage(*wic.Get(), *decoder.Get(), name);
}

void writePngFile(const std::wstring& path, const Pixels32& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
        throw std::runtime_error(utf8(path) + ": there is no image to write");
    ComScope com;
    HostRef<IWICImagingFactory> wic = factory(path);
    std::wstring temporary = path + L".partial";
    {
        HostRef<IWICStream> stream;
        check(wic->CreateStream(stream.GetAddressOf()), path, "cannot create a stream");
        check(stream->InitializeFromFilename(temporary.c_str(), GENERIC_WRITE), path, "cannot create the file");
        auto fail = [&](HRESULT result, const char* what) {
            if (FAILED(result)) {
                stream.Reset();
                DeleteFileW(temporary.c_str());
                check(result, path, what);
            }
        };
        HostRef<IWICBitmapEncoder> encoder;
        fail(wic->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.GetAddressOf()), "no PNG encoder");
        fail(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "cannot start the PNG file");
        HostRef<IWICBitmapFrameEncode> frame;
        fail(encoder->CreateNewFrame(frame.GetAddressOf(), nullptr), "cannot add the image");
        fail(frame->Initialize(nullptr), "cannot add the image");
        fail(frame->SetSize(static_cast<UINT>(image.width), static_cast<UINT>(image.height)), "cannot size the image");
        WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
        fail(frame->SetPixelFormat(&format), "cannot set the pixel format");
        if (format != GUID_WICPixelFormat32bppBGRA) fail(E_FAIL, "the PNG encoder refuses 32-bit pixels");
        fail(frame->WritePixels(static_cast<UINT>(image.height), static_cast<UINT>(image.width) * 4,
                                static_cast<UINT>(image.pixels.size() * 4),
                                reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(image.pixels.data()))),
             "cannot write the pixels");
        fail(frame->Commit(), "cannot finish the image");
        fail(encoder->Commit(), "cannot finish the file");
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        throw std::runtime_error(utf8(path) + ": cannot replace the file (error " + std::to_string(error) + ")");
    }
}

LONG Document::addTextureFile(const std::wstring& path, const std::wstring& name) {
    Pixels32 image = readImageFile(path);
    std::wstring textureName = name;
    if (textureName.empty()) {
        size_t slash = path.find_last_of(L"\\/");
        textureName = slash == std::wstring::npos ? path : path.substr(slash + 1);
        size_t dot = textureName.find_last_of(L'.');
        if (dot != std::wstring::npos && dot > 0) textureName.resize(dot);
    }
    return addTexture(textureName, image.width, image.height, std::move(image.pixels));
}

void Image::savePng(const std::wstring& path) const { writePngFile(path, image_); }

}  // namespace devhost

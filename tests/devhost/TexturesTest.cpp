// Document textures: the node tree that lists them, image files, and the pixel
// access the canvas uses (converter, CopyRect).
#include "DevHostFixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace devhost_test;

namespace {

void writeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A 24-bit BMP written by hand: rows stored bottom-up, as the format has it.
void writeBmp(const std::wstring& path, int width, int height, const std::vector<std::uint32_t>& pixels) {
    int rowBytes = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> file(54 + static_cast<size_t>(rowBytes) * height);
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M', file[26] = 1, file[28] = 24;  // one plane, 24 bits
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);  // pixels after the two headers
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = pixels[static_cast<size_t>(y * width + x)];
            size_t at = 54 + static_cast<size_t>(height - 1 - y) * rowBytes + static_cast<size_t>(x) * 3;
            for (int k = 0; k < 3; ++k) file[at + k] = static_cast<std::uint8_t>(p >> (8 * k));  // B, G, R
        }
    writeFile(path, file);
}

// Four distinct opaque colours in a 3 x 2 image, first row first.
const std::vector<std::uint32_t> kPixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                            0xFF808080, 0xFFFFFFFF, 0xFF102030};

HostRef<HostNode> documentNode(devhost::Document& document) {
    HostRef<IUnknown> unknown;
    document.GetDocumentNode(unknown.GetAddressOf());
    HostRef<HostNode> node;
    if (unknown) unknown.As(&node);
    return node;
}

HostRef<HostTexture> findTexture(devhost::Document& document, LONG id) {
    HostRef<HostNode> node;
    documentNode(document)->FindTexture(id, node.GetAddressOf());
    HostRef<HostTexture> texture;
    if (node) node.As(&texture);
    return texture;
}

// What the canvas does to load a texture into its bitmap.
std::vector<std::uint32_t> convertWhole(HostTexture& texture, LONG* width, LONG* height) {
    LONG loaded = 0, available = 0, format = -1, bytes = 0, p = 0, q = 0;
    texture.CheckLoaded(&loaded);
    texture.CheckPixels(&available);
    texture.GetBytesPerPixel(&bytes);
    texture.GetPixelFormat(&format);
    DWORD palette[256];
    texture.GetPalette(0, 256, palette);
    texture.GetImageInfo(width, height, &p, &q);
    EXPECT_EQ(1, loaded);
    EXPECT_EQ(1, available);
    EXPECT_EQ(4, bytes);
    std::vector<std::uint32_t> bitmap(static_cast<size_t>(*width * *height), 0xDEADBEEF);
    HostRef<HostPixelConverter> converter;
    texture.GetConverter(converter.GetAddressOf());
    if (converter) {
        HostPixelDesc source{*width, *height, format, p, q, 256, palette, 0, nullptr};
        HostPixelDesc destination{*width, *height, 0, 0, 0, 0, nullptr, *width * 4,
                                  reinterpret_cast<BYTE*>(bitmap.data())};
        EXPECT_EQ(S_OK, converter->ConvertPixels(&destination, 0, 0, *width, *height, &source, 0, 0, *width, *height));
    }
    texture.EndRead();
    return bitmap;
}

TEST(Textures, ATexturesNodeListsEveryTextureWithItsIdentifierAndName) {
    HostRef<devhost::Document> document = devhost::Document::create();
    LONG first = document->addTexture(L"Bricks", 1, 1, {0});
    LONG second = document->addTexture(L"A rather long texture name", 1, 1, {0});
    EXPECT_NE(first, second);
    EXPECT_GT(first, 0);

    HostRef<HostNode> textures;
    ASSERT_EQ(S_OK, documentNode(*document.Get())->GetNode(L"./Model/Textures", textures.GetAddressOf()));
    HostRef<HostNode> child, sibling, none;
    ASSERT_EQ(S_OK, textures->GetFirstChild(child.GetAddressOf()));
    LONG id = 0;
    child->GetIdentifier(&id);
    EXPECT_EQ(first, id);
    WCHAR name[8];
    EXPECT_EQ(S_OK, child->GetNodeName(name, 8));
    EXPECT_STREQ(L"Bricks", name);
    ASSERT_EQ(S_OK, child->GetNextSibling(sibling.GetAddressOf()));
    EXPECT_EQ(S_FALSE, sibling->GetNodeName(name, 8));
    EXPECT_STREQ(L"A rathe", name);  // truncated, but terminated
    EXPECT_TRUE(FAILED(sibling->GetNextSibling(none.GetAddressOf())));
    EXPECT_FALSE(none);

    // Found from any node; gone once deleted; 0 and -1 name none.
    HostRef<HostNode> found;
    EXPECT_EQ(S_OK, textures->FindTexture(second, found.GetAddressOf()));
    EXPECT_EQ(static_cast<HostNode*>(sibling.Get()), found.Get());
    document->deleteTexture(second);
    EXPECT_FALSE(findTexture(*document.Get(), second));
    EXPECT_FALSE(findTexture(*document.Get(), 0));
    EXPECT_FALSE(findTexture(*document.Get(), -1));
    EXPECT_TRUE(findTexture(*document.Get(), first));
    // A deleted node the plug-in still holds answers without crashing.
    EXPECT_TRUE(FAILED(sibling->GetNextSibling(none.GetAddressOf())));

    // Ordinary nodes are not textures, and bad paths find nothing.
    HostRef<HostTexture> notTexture;
    EXPECT_EQ(E_NOINTERFACE, textures.As(&notTexture));
    HostRef<HostNode> missing;
    EXPECT_TRUE(FAILED(textures->GetNode(L"./Nothing/Here", missing.GetAddressOf())));
    EXPECT_EQ(E_POINTER, textures->GetNode(nullptr, missing.GetAddressOf()));
}

TEST(Textures, ABottomUpBmpConvertsToTheImageFirstRowFirst) {
    std::wstring path = temporaryPath(L"three-by-two.bmp");
    writeBmp(path, 3, 2, kPixels);
    HostRef<devhost::Document> document = devhost::Document::create();
    LONG id = document->addTextureFile(path);
    DeleteFileW(path.c_str());
    // Named after the file, without folder and extension.
    std::wstring name = document->textures().at(0).name;
    std::wstring full = temporaryPath(L"three-by-two");
    EXPECT_EQ(full.substr(full.find_last_of(L'\\') + 1), name);

    HostRef<HostTexture> texture = findTexture(*document.Get(), id);
    ASSERT_TRUE(texture);
    LONG width = 0, height = 0;
    std::vector<std::uint32_t> bitmap = convertWhole(*texture.Get(), &width, &height);
    EXPECT_EQ(3, width);
    EXPECT_EQ(2, height);
    EXPECT_EQ(kPixels, bitmap);
    EXPECT_EQ(0, document->texture(id)->openReads());
}

TEST(Textures, APngRoundTripKeepsEveryPixelAndAlpha) {
    std::wstring path = temporaryPath(L"round.png");
    devhost::Pixels32 image{3, 2, kPixels};
    image.pixels[1] = 0x80402010;  // half transparent
    devhost::writePngFile(path, image);
    devhost::Pixels32 back = devhost::readImageFile(path);
    DeleteFileW(path.c_str());
    EXPECT_EQ(3, back.width);
    EXPECT_EQ(2, back.height);
    EXPECT_EQ(image.pixels, back.pixels);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((path + L".partial").c_str()));
}

TEST(Textures, UnreadableFilesNameTheFileAndAddNothing) {
    HostRef<devhost::Document> document = devhost::Document::create();
    std::wstring path = temporaryPath(L"not-an-image.png");
    std::string text = "plain text";
    writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    try {
        document->addTextureFile(path);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string::npos, std::string(error.what()).find("not-an-image.png")) << error.what();
    }
    DeleteFileW(path.c_str());
    EXPECT_THROW(document->addTextureFile(temporaryPath(L"missing.png")), std::runtime_error);
    EXPECT_TRUE(document->textures().empty());
    EXPECT_THROW(document->addTexture(L"short", 2, 2, {1, 2, 3}), std::invalid_argument);
}

TEST(Textures, CopyRectAndConverterStayInsideTheirArrays) {
    HostRef<devhost::Document> document = devhost::Document::create();
    LONG id = document->addTexture(L"Small", 3, 2, kPixels);
    HostRef<HostTexture> texture = findTexture(*document.Get(), id);
    ASSERT_TRUE(texture);

    // The canvas copies a dirty rectangle into its W x H bitmap at (top * W + left).
    std::vector<std::uint32_t> bitmap(6, 0);
    BYTE* base = reinterpret_cast<BYTE*>(bitmap.data());
    EXPECT_EQ(S_OK, texture->CopyRect(1, 0, 3, 2, 0, 3 * 4, base + (0 * 3 + 1) * 4, 0, 0));
    EXPECT_EQ((std::vector<std::uint32_t>{0, kPixels[1], kPixels[2], 0, kPixels[4], kPixels[5]}), bitmap);

    // A rectangle reaching past the texture copies only what lies inside.
    std::vector<std::uint32_t> wide(4 * 3, 7);
    EXPECT_EQ(S_OK, texture->CopyRect(2, 1, 6, 4, 0, 4 * 4, reinterpret_cast<BYTE*>(wide.data()), 0, 0));
    EXPECT_EQ(kPixels[5], wide[0]);
    EXPECT_EQ(7u, wide[1]);
    EXPECT_EQ(E_POINTER, texture->CopyRect(0, 0, 1, 1, 0, 4, nullptr, 0, 0));
    EXPECT_EQ(E_INVALIDARG, texture->CopyRect(0, 0, 3, 1, 0, 4, base, 0, 0));  // pitch too small
    EXPECT_EQ(E_INVALIDARG, texture->CopyRect(0, 0, 1, 1, 5, 4, base, 0, 0));  // unknown format

    HostRef<HostPixelConverter> converter;
    texture->GetConverter(converter.GetAddressOf());
    HostPixelDesc source{3, 2, 0, 0, 0, 0, nullptr, 0, nullptr};
    HostPixelDesc destination{3, 2, 0, 0, 0, 0, nullptr, 12, base};
    EXPECT_EQ(E_INVALIDARG, converter->ConvertPixels(&destination, 1, 0, 3, 2, &source, 0, 0, 3, 2));
    EXPECT_EQ(E_INVALIDARG, converter->ConvertPixels(&destination, 0, 0, 3, 2, &source, 0, 1, 3, 2));
    EXPECT_EQ(E_POINTER, converter->ConvertPixels(nullptr, 0, 0, 3, 2, &source, 0, 0, 3, 2));
    // Scaling the 3 x 2 image onto one row of 3 takes the first row.
    std::fill(bitmap.begin(), bitmap.end(), 0u);
    EXPECT_EQ(S_OK, converter->ConvertPixels(&destination, 0, 1, 3, 1, &source, 0, 0, 3, 2));
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 0, kPixels[0], kPixels[1], kPixels[2]}), bitmap);
    texture->EndRead();
}

}  // namespace

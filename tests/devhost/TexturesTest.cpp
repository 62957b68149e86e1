// Document textures: the node tree that lists them, image files, and the pixel
// access the canvas uses (converter, CopyRect).
#include "DevHostFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace devhost_test;

namespace {

// Four distinct opaque colours in a 3 x 2 image, first row first.
const std::vector<std::uint32_t> kPixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                            0xFF808080, 0xFFFFFFFF, 0xFF102030};

// The plug-in finds the document node through GetDocumentNode; its own tests read that.
HostRef<HostTexture> findTexture(devhost::Document& document, LONG id) {
    HostRef<HostNode> node;
    HostRef<HostTexture> texture;
    if (document.documentNode().FindTexture(id, node.GetAddressOf()) == S_OK) node.As(&texture);
    return texture;
}

// The list itself (identifiers, names, additions, deletions) is read through the editor's
// texture list; here what the plug-in must survive.
TEST(Textures, NodesTruncateNamesAndAnswerAfterDeletion) {
    HostRef<devhost::Document> document = devhost::Document::create();
    LONG first = document->addTexture(L"A rather long texture name", 1, 1, {0});
    LONG second = document->addTexture(L"Bricks", 1, 1, {0});
    HostRef<HostNode> textures, child, sibling, none, found;
    ASSERT_EQ(S_OK, document->documentNode().GetNode(L"./Model/Textures", textures.GetAddressOf()));
    ASSERT_EQ(S_OK, textures->GetFirstChild(child.GetAddressOf()));
    WCHAR name[8];
    EXPECT_EQ(S_FALSE, child->GetNodeName(name, 8));
    EXPECT_STREQ(L"A rathe", name);  // truncated, but terminated
    ASSERT_EQ(S_OK, child->GetNextSibling(sibling.GetAddressOf()));
    EXPECT_EQ(S_OK, textures->FindTexture(second, found.GetAddressOf()));
    EXPECT_EQ(sibling.Get(), found.Get());
    document->deleteTexture(second);
    EXPECT_TRUE(FAILED(sibling->GetNextSibling(none.GetAddressOf())));  // a held, deleted node
    EXPECT_FALSE(none);
    EXPECT_FALSE(findTexture(*document.Get(), second) || findTexture(*document.Get(), 0) ||
                 findTexture(*document.Get(), -1));
    EXPECT_TRUE(findTexture(*document.Get(), first));
    HostRef<HostTexture> notTexture;
    EXPECT_EQ(E_NOINTERFACE, textures.As(&notTexture));
    EXPECT_TRUE(FAILED(textures->GetNode(L"./Nothing/Here", none.GetAddressOf())));
    EXPECT_EQ(E_POINTER, textures->GetNode(nullptr, none.GetAddressOf()));
}

// Image files of every kind reach the editor and the 3D view through loomhost's steps
// (a bottom-up BMP the right way up, grey and paletted images, names from file names);
// here the exact pixels and alpha of a round trip.
TEST(Textures, APngRoundTripKeepsEveryPixelAndAlpha) {
    std::wstring path = temporaryPath(L"round.png");
    devhost::Pixels32 image{3, 2, kPixels};
    image.pixels[1] = 0x80402010;  // half transparent
    devhost::writePngFile(path, image);
    devhost::Pixels32 back = devhost::readImageFile(path);
    DeleteFileW(path.c_str());
    EXPECT_TRUE(back.width == 3 && back.height == 2);
    EXPECT_EQ(image.pixels, back.pixels);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((path + L".partial").c_str()));
}

TEST(Textures, UnreadableFilesNameTheFileAndAddNothing) {
    HostRef<devhost::Document> document = devhost::Document::create();
    std::wstring path = temporaryPath(L"not-an-image.png");
    std::ofstream(std::filesystem::path(path), std::ios::binary) << "plain text";
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
    texture->EndRead();
}

}  // namespace

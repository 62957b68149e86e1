// The 3D view through the real loomhost.exe: a mesh shows its material's texture
// through its UVs, the right way up, or the checker; without OpenGL the view falls
// back to GDI and says so. Textures added, renamed, painted and deleted by steps
// reach the editor's texture list and canvas and the 3D view through the host's events.
#include "LoomHostRun.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using devhost::StateJson;

// Mean row of the pixels whose colour one channel dominates (0 red, 1 green, 2 blue), and how many.
std::pair<double, int> dominated(const devhost::Pixels32& image, int channel) {
    double rows = 0;
    int count = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            uint32_t p = image.pixels[size_t(y) * image.width + x];
            int c[3] = {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
            if (c[channel] > 2 * c[(channel + 1) % 3] + 20 && c[channel] > 2 * c[(channel + 2) % 3] + 20)
                rows += y, ++count;
        }
    return {count ? rows / count : 0.0, count};
}

// quad.obj with the texture halves.png: top row red, bottom row blue; the quad's upper
// edge has OBJ v = 1, the image's top.
void writeHalvesQuad(const ScratchFolder& folder) {
    devhost::writePngFile(folder / L"halves.png", {2, 2, {0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF}});
    folder.write(L"quad.mtl", "newmtl halves\nmap_Kd halves.png\n");
    folder.write(L"quad.obj", "mtllib quad.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                              "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl halves\nf 1/1 2/2 3/3 4/4\n");
}

TEST(View3D, TexturedUprightThenCheckerAndGdiFallback) {
    ScratchFolder folder;
    writeHalvesQuad(folder);
    ASSERT_TRUE(runBatch({L"--open", folder / L"quad.obj", L"--capture-host", folder / L"textured.png",
                          L"--checker", L"on", L"--capture-host", folder / L"checker.png", L"--dump", folder / L"d.json"}).ok());
    devhost::Pixels32 textured = devhost::readImageFile(folder / L"textured.png");
    auto [redRow, reds] = dominated(textured, 0);
    auto [blueRow, blues] = dominated(textured, 2);
    EXPECT_TRUE(reds > 1000 && blues > 1000 && redRow < blueRow) << reds << " red at " << redRow << ", " << blues
                                                                  << " blue at " << blueRow;
    EXPECT_EQ(dominated(devhost::readImageFile(folder / L"checker.png"), 0).second, 0);
    const StateJson host = folder.json(L"d.json")["host"];
    EXPECT_TRUE(host["view"] == "OpenGL" && host["checker"] == true) << host.dump();

    HostRun gdi = runBatch({L"--no-opengl", L"--open", folder / L"quad.obj", L"--capture-host",
                            folder / L"gdi.png", L"--dump", folder / L"gdi.json"});
    ASSERT_EQ(gdi.status, 0) << gdi.errors;
    EXPECT_EQ(folder.json(L"gdi.json")["host"]["view"], "GDI");
    EXPECT_NE(folder.json(L"gdi.json")["host"]["status"].get<std::string>().find("GDI"), std::string::npos);
    EXPECT_EQ(dominated(devhost::readImageFile(folder / L"gdi.png"), 0).second, 0);  // flat-shaded, untextured
}


size_t countColour(const devhost::Pixels32& image, uint32_t rgb) {
    return size_t(std::count_if(image.pixels.begin(), image.pixels.end(),
                                [rgb](uint32_t p) { return (p & 0xFFFFFF) == rgb; }));
}

TEST(View3D, TextureStepsReachTheEditorAndTheView) {
    ScratchFolder folder;
    writeHalvesQuad(folder);
    // 2 x 2 images: 8-bit grey PNG (all 200) and 8-bit paletted BMP (all entry 1, blue).
    folder.write(L"grey.png", std::string("\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00"
                                          "\x00\x02\x00\x00\x00\x02\x08\x00\x00\x00\x00\x57\xdd\x52\xf8\x00\x00\x00"
                                          "\x0e\x49\x44\x41\x54\x78\xda\x63\x38\x71\x82\xe1\xc4\x09\x00\x09\x66\x03"
                                          "\x21\x5f\xdd\x7c\x16\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82", 71));
    folder.write(L"pal.bmp", std::string("BM\x46\0\0\0\0\0\0\0\x3e\0\0\0\x28\0\0\0\x02\0\0\0\x02\0\0\0\x01\0\x08\0\0\0"
                                         "\0\0\x08\0\0\0\0\0\0\0\0\0\0\0\x02\0\0\0\0\0\0\0\0\0\0\0\xff\0\0\0"
                                         "\x01\x01\0\0\x01\x01\0\0", 70));
    std::filesystem::create_directory(folder.path() / L"sub");
    folder.write(L"sub\\stone.png", folder.read(L"grey.png"));
    auto shot = [&](const wchar_t* name) { return devhost::readImageFile(folder / name); };
    HostRun run = runBatch({L"--open", folder / L"quad.obj", L"--invoke", L"UV Editor", L"--texture-add",
                            folder / L"grey.png", L"--texture-add", folder / L"pal.bmp", L"--texture-rename",
                            L"pal=blue", L"--uv-texture", L"grey", L"--uv-command", L"View/Zoom Extents", L"--capture", folder / L"grey-canvas.png",
                            L"--uv-texture", L"blue", L"--host-command", L"Texture/Paint...", L"--dialog-text",
                            L"Texture=blue", L"--dialog-text", L"Width=1", L"--dialog-text", L"Height=2",
                            L"--dialog-text", L"Colour=00FF00", L"--dialog-click", L"OK", L"--wait", L"400",
                            L"--capture", folder / L"painted-canvas.png", L"--texture-paint", L"halves:0,0,2,1,00FF00",
                            L"--capture-host", folder / L"painted-view.png", L"--texture-delete", L"blue",
                            L"--texture-delete", L"halves", L"--capture", folder / L"deleted-canvas.png",
                            L"--capture-host", folder / L"deleted-view.png", L"--host-command", L"Texture/Rename/grey",
                            L"--dialog-text", L"New name=stone", L"--dialog-click", L"OK", L"--dump", folder / L"d.json",
                            L"--texture-paint", L"stone:1,1,2,1,00FF00", L"--texture-paint",
                            L"stone:2147483647,0,1,1,FF00FF", L"--texture-paint", L"stone:0,0,32768,32768,FF00FF",
                            L"--texture-add", folder / L"sub\\stone.png", L"--texture-rename", L"stone 2=stone",
                            L"--texture-add", folder / L"sub", L"--dump", folder / L"names.json"});
    // Paints that leave the image, a rename to a taken name and a folder as an image are
    // refused, one line each; a second "stone" is named "stone 2" and says so.
    EXPECT_EQ(run.status, 2);
    const char* const messages[] = {
        "stone:1,1,2,1,00FF00: the rectangle at (1,1) of 2 x 1 pixels is not inside texture \"stone\" (2 x 2)",
        "stone:2147483647,0,1,1,FF00FF: the rectangle at (2147483647,0) of 1 x 1 pixels is not inside",
        "stone:0,0,32768,32768,FF00FF: the rectangle at (0,0) of 32768 x 32768 pixels is not inside",
        "stone.png: a texture named \"stone\" exists; this one is named \"stone 2\"",
        "texture \"stone 2\" cannot be renamed \"stone\": another texture has that name",
        "sub: a folder, not an image file"};
    for (const char* message : messages) EXPECT_NE(run.errors.find(message), std::string::npos) << message << "\n" << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), std::ssize(messages)) << run.errors;
    const StateJson names = folder.json(L"names.json");
    EXPECT_EQ(names["editor"]["controls"]["textures"], StateJson({"< no texture >", "stone", "stone 2"}));
    EXPECT_NE(names["host"]["status"].get<std::string>().find("named \"stone 2\""), std::string::npos);
    EXPECT_GT(countColour(shot(L"grey-canvas.png"), 0xC8C8C8), 1000u);
    devhost::Pixels32 painted = shot(L"painted-canvas.png");
    EXPECT_GT(countColour(painted, 0x00FF00), 1000u);  // the left half, refreshed
    EXPECT_GT(countColour(painted, 0x0000FF), 1000u);  // the right half as it was
    devhost::Pixels32 paintedView = shot(L"painted-view.png");
    EXPECT_EQ(dominated(paintedView, 0).second, 0);
    EXPECT_GT(dominated(paintedView, 1).second, 1000);
    EXPECT_EQ(countColour(shot(L"deleted-canvas.png"), 0x00FF00), 0u);
    EXPECT_EQ(dominated(shot(L"deleted-view.png"), 1).second, 0);
    const StateJson dump = folder.json(L"d.json");
    EXPECT_EQ(dump["editor"]["controls"]["textures"], StateJson({"< no texture >", "stone"}));
    ASSERT_EQ(dump["textures"].size(), 1u);
    EXPECT_EQ(dump["textures"][0]["name"], "stone");
}

}  // namespace

// The 3D view through the real loomhost.exe: a mesh shows its material's texture
// through its UVs, the right way up, or the checker; without OpenGL the view falls
// back to GDI and says so.
#include "LoomHostRun.h"

#include <gtest/gtest.h>

namespace {

using devhost::StateJson;

// An uncompressed 24-bit BMP (rows stored bottom-up); pixels are 0xRRGGBB, first row first.
std::string bmp24(int width, int height, const std::vector<uint32_t>& pixels) {
    int pitch = (width * 3 + 3) & ~3;
    std::string file = {'B', 'M'};
    auto put = [&file](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) file += char(value >> (8 * i));
    };
    put(54 + pitch * height, 4), put(0, 4), put(54, 4), put(40, 4), put(width, 4), put(height, 4), put(1, 2),
        put(24, 2), put(0, 4), put(pitch * height, 4);
    file.append(16, '\0');
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) put(pixels[size_t(y) * width + x], 3);
        file.append(size_t(pitch - width * 3), '\0');
    }
    return file;
}

// Mean row of the pixels whose colour one channel dominates (0 red, 2 blue), and how many.
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

TEST(View3D, TexturedUprightThenCheckerAndGdiFallback) {
    ScratchFolder folder;
    // Top row red, bottom row blue; the quad's upper edge has OBJ v = 1, the image's top.
    folder.write(L"halves.bmp", bmp24(2, 2, {0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF}));
    folder.write(L"quad.mtl", "newmtl halves\nmap_Kd halves.bmp\n");
    folder.write(L"quad.obj", "mtllib quad.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                              "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl halves\nf 1/1 2/2 3/3 4/4\n");
    HostRun run = runBatch({L"--open", folder / L"quad.obj", L"--capture-host", folder / L"textured.png",
                            L"--checker", L"on", L"--capture-host", folder / L"checker.png", L"--dump",
                            folder / L"d.json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    devhost::Pixels32 textured = devhost::readImageFile(folder / L"textured.png");
    auto [redRow, reds] = dominated(textured, 0);
    auto [blueRow, blues] = dominated(textured, 2);
    EXPECT_GT(reds, 1000);
    EXPECT_GT(blues, 1000);
    EXPECT_LT(redRow, blueRow);
    EXPECT_EQ(dominated(devhost::readImageFile(folder / L"checker.png"), 0).second, 0);
    const StateJson host = folder.json(L"d.json")["host"];
    EXPECT_EQ(host["view"], "OpenGL");
    EXPECT_EQ(host["checker"], true);

    HostRun gdi = runBatch({L"--no-opengl", L"--open", folder / L"quad.obj", L"--capture-host",
                            folder / L"gdi.png", L"--dump", folder / L"gdi.json"});
    ASSERT_EQ(gdi.status, 0) << gdi.errors;
    EXPECT_EQ(folder.json(L"gdi.json")["host"]["view"], "GDI");
    EXPECT_NE(folder.json(L"gdi.json")["host"]["status"].get<std::string>().find("GDI"), std::string::npos);
    EXPECT_EQ(dominated(devhost::readImageFile(folder / L"gdi.png"), 0).second, 0);  // flat-shaded, untextured
}

}  // namespace

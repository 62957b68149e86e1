// The plug-in's resources where the code depends on their shape: the menu's commands,
// the cursors' hotspots, the toolbar strip and the tooltip strings. The resources are
// linked into this executable.
#include "resource.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

HINSTANCE module() { return GetModuleHandleA(nullptr); }

// Every command id of the menu and its submenus.
void collectCommands(HMENU menu, std::vector<UINT>& commands) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        if (HMENU popup = GetSubMenu(menu, i))
            collectCommands(popup, commands);
        else if (!(GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR))
            commands.push_back(GetMenuItemID(menu, i));
    }
}

// Commands are unique and never the dialog manager's OK or Cancel (Escape); each
// projection's item texts name the direction its command projects along.
TEST(Menu, CommandsAreUniqueAndProjectionItemsNameTheirDirections) {
    HMENU menu = LoadMenuA(module(), MAKEINTRESOURCEA(IDR_EDITOR_MENU));
    ASSERT_NE(menu, nullptr);
    std::vector<UINT> commands;
    collectCommands(menu, commands);
    ASSERT_FALSE(commands.empty());
    std::set<UINT> seen;
    for (UINT id : commands) EXPECT_TRUE(id != 0 && seen.insert(id).second) << "command " << id;
    EXPECT_FALSE(seen.count(IDCANCEL) || seen.count(IDOK));

    // Each kind numbers its six directions in a row; "User Defined" stands apart.
    const UINT kinds[][2] = {{ID_MAPPING_PLANAR_POS_X, ID_MAPPING_PLANAR_USER_DEFINED},
                             {ID_MAPPING_BOX_POS_X, ID_MAPPING_BOX_USER_DEFINED},
                             {ID_MAPPING_CYLINDRICAL_POS_X, ID_MAPPING_CYLINDRICAL_USER_DEFINED},
                             {ID_MAPPING_SPHERICAL_POS_X, ID_MAPPING_SPHERICAL_USER_DEFINED}};
    const char* texts[7] = {"+X", "--X", "+Y", "--Y", "+Z", "--Z", "User Defined"};
    for (const auto& kind : kinds)
        for (UINT i = 0; i < 7; ++i) {
            const UINT id = i < 6 ? kind[0] + i : kind[1];
            char text[32] = {};
            GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
            EXPECT_STREQ(text, texts[i]) << id;
        }
    DestroyMenu(menu);
}

// A hotspot outside the picture would point somewhere the user cannot see.
TEST(Cursors, EachIsMonochromeWithItsHotspotInsideItsDrawing) {
    for (int id = IDC_CURSOR_FIRST; id <= IDC_CURSOR_LAST; ++id) {
        HCURSOR cursor = static_cast<HCURSOR>(LoadImageA(module(), MAKEINTRESOURCEA(id), IMAGE_CURSOR, 32, 32, 0));
        ASSERT_NE(cursor, nullptr) << id;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(cursor, &info));
        EXPECT_EQ(info.hbmColor, nullptr) << id;
        // The AND half above the XOR half, as 32-bit pixels.
        std::vector<DWORD> pixels(32 * 64);
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -64, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC dc = GetDC(nullptr);
        EXPECT_EQ(GetDIBits(dc, info.hbmMask, 0, 64, pixels.data(), &bi, DIB_RGB_COLORS), 64) << id;
        ReleaseDC(nullptr, dc);
        RECT drawn = {32, 32, -1, -1};
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (!(pixels[y * 32 + x] & 0xFFFFFF) || (pixels[(y + 32) * 32 + x] & 0xFFFFFF))
                    drawn = {std::min<LONG>(drawn.left, x), std::min<LONG>(drawn.top, y),
                             std::max<LONG>(drawn.right, x), std::max<LONG>(drawn.bottom, y)};
        const POINT hotspot = {LONG(info.xHotspot), LONG(info.yHotspot)};
        EXPECT_TRUE(hotspot.x >= drawn.left && hotspot.x <= drawn.right && hotspot.y >= drawn.top &&
                    hotspot.y <= drawn.bottom)
            << id;
        DeleteObject(info.hbmMask);
        DestroyCursor(cursor);
    }
}

// The toolbar maps light grey to the button face, on the palette of a palette bitmap.
TEST(Toolbar, StripHoldsSeventeenDistinctImagesOnGreyAndTooltipStringsDiffer) {
    HBITMAP strip = static_cast<HBITMAP>(
        LoadImageA(module(), MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(strip, nullptr);
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectA(strip, sizeof dib, &dib), int(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, TOOLBAR_IMAGE_WIDTH * TOOLBAR_IMAGE_COUNT);
    EXPECT_EQ(dib.dsBm.bmHeight, TOOLBAR_IMAGE_HEIGHT);
    EXPECT_LE(dib.dsBmih.biBitCount, 8);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, strip);
    std::vector<std::vector<COLORREF>> images(TOOLBAR_IMAGE_COUNT);
    for (int i = 0; i < TOOLBAR_IMAGE_COUNT; ++i) {
        for (int y = 0; y < TOOLBAR_IMAGE_HEIGHT; ++y)
            for (int x = 0; x < TOOLBAR_IMAGE_WIDTH; ++x)
                images[i].push_back(GetPixel(dc, i * TOOLBAR_IMAGE_WIDTH + x, y));
        const auto grey = std::count(images[i].begin(), images[i].end(), RGB(0xC0, 0xC0, 0xC0));
        EXPECT_TRUE(grey > 0 && size_t(grey) < images[i].size() * 7 / 8) << "image " << i << ": background, drawing";
        for (int j = 0; j < i; ++j) EXPECT_NE(images[i], images[j]) << "images " << j << " and " << i;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(strip);

    // The editor hands string identifiers straight to the tooltip, which reads them here.
    std::set<std::string> texts;
    for (int id = IDS_FIRST_TOOLTIP; id <= IDS_LAST_TOOLTIP; ++id) {
        char text[128] = {};
        EXPECT_GT(LoadStringA(module(), id, text, sizeof text), 0) << id;
        EXPECT_TRUE(texts.insert(text).second) << "string " << id << " repeats \"" << text << "\"";
    }
}

}  // namespace

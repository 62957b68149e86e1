// The plug-in's resources where the code depends on their shape: the menu's command
// order, the cursors' hotspots, the toolbar strip and the tooltip strings. The
// resources are linked into this executable.
#include "resource.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

HINSTANCE module() { return GetModuleHandleA(nullptr); }

struct MenuNode {
    std::string text;
    UINT id = 0;  // 0 for popups and separators
    std::vector<MenuNode> items;  // a popup's items
};

// The menu's tree; every command id also goes into commands.
std::vector<MenuNode> readMenu(HMENU menu, std::vector<UINT>& commands) {
    std::vector<MenuNode> nodes;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        char text[128] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        EXPECT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info));
        MenuNode node{text, 0, {}};
        if (info.hSubMenu)
            node.items = readMenu(info.hSubMenu, commands);
        else if (!(info.fType & MFT_SEPARATOR))
            commands.push_back(node.id = info.wID);
        nodes.push_back(node);
    }
    return nodes;
}

const MenuNode* findPopup(const std::vector<MenuNode>& nodes, const std::string& text) {
    for (const MenuNode& node : nodes)
        if (!node.items.empty() && node.text == text) return &node;
    return nullptr;
}

// Commands are unique and never the dialog manager's OK or Cancel (Escape). The dispatcher
// maps each direction command to its axis by the order +X, --X, +Y, --Y, +Z, --Z: the menu
// lists them that way and the command numbers count up with them.
TEST(Menu, CommandsAreUniqueAndProjectionDirectionsInAxisOrder) {
    HMENU menu = LoadMenuA(module(), MAKEINTRESOURCEA(IDR_EDITOR_MENU));
    ASSERT_NE(menu, nullptr);
    std::vector<UINT> commands;
    const std::vector<MenuNode> bar = readMenu(menu, commands);
    DestroyMenu(menu);
    ASSERT_FALSE(commands.empty());
    std::set<UINT> seen;
    for (UINT id : commands) EXPECT_TRUE(id != 0 && seen.insert(id).second) << "command " << id;
    EXPECT_FALSE(seen.count(IDCANCEL) || seen.count(IDOK));

    const MenuNode* mapping = findPopup(bar, "Mapping");
    ASSERT_NE(mapping, nullptr);
    const std::vector<std::string> directions = {"+X", "--X", "+Y", "--Y", "+Z", "--Z"};
    const struct { const char* name; size_t first; UINT firstId; UINT userDefined; } kinds[] = {
        {"Planar", 1, ID_MAPPING_PLANAR_POS_X, ID_MAPPING_PLANAR_USER_DEFINED},
        {"Box", 0, ID_MAPPING_BOX_POS_X, ID_MAPPING_BOX_USER_DEFINED},
        {"Cylindrical", 0, ID_MAPPING_CYLINDRICAL_POS_X, ID_MAPPING_CYLINDRICAL_USER_DEFINED},
        {"Spherical", 0, ID_MAPPING_SPHERICAL_POS_X, ID_MAPPING_SPHERICAL_USER_DEFINED},
    };
    for (const auto& kind : kinds) {
        const MenuNode* popup = findPopup(mapping->items, kind.name);
        ASSERT_NE(popup, nullptr) << kind.name;
        ASSERT_EQ(popup->items.size(), kind.first + 7) << kind.name;
        for (size_t i = 0; i < directions.size(); ++i) {
            EXPECT_EQ(popup->items[kind.first + i].text, directions[i]) << kind.name;
            EXPECT_EQ(popup->items[kind.first + i].id, kind.firstId + i) << kind.name << " " << directions[i];
        }
        EXPECT_EQ(popup->items.back().text + " " + std::to_string(popup->items.back().id),
                  "User Defined " + std::to_string(kind.userDefined));
    }
    EXPECT_EQ(findPopup(mapping->items, "Planar")->items.front().id, UINT(ID_MAPPING_PLANAR_BEST_MATCH));
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
    EXPECT_EQ(dib.dsBm.bmWidth, 272);
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
    char text[128] = {};
    LoadStringA(module(), IDS_SYNCHRONIZE_SELECTIONS, text, sizeof text);
    EXPECT_STREQ(text, "Synchronize uv and mesh selections");
}

}  // namespace

// The plug-in's resources where the code depends on their shape: the menu's command
// order, the editor template with its menu, the cursors' hotspots, the toolbar strip
// and the tooltip strings. The resources are linked into this executable.
#include "resource.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

HINSTANCE module() { return GetModuleHandleA(nullptr); }

// ---------------------------------------------------------------------------
// Menu 209

struct MenuNode {
    std::string text;
    UINT id = 0;  // 0 for popups and separators
    bool separator = false;
    std::vector<MenuNode> items;  // a popup's items
    bool popup() const { return !separator && id == 0; }
};

std::vector<MenuNode> readMenu(HMENU menu) {
    std::vector<MenuNode> nodes;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        char text[128] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        EXPECT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info));
        MenuNode node;
        node.separator = (info.fType & MFT_SEPARATOR) != 0;
        node.text = text;
        if (info.hSubMenu)
            node.items = readMenu(info.hSubMenu);
        else if (!node.separator)
            node.id = info.wID;
        nodes.push_back(node);
    }
    return nodes;
}

void collectCommands(const std::vector<MenuNode>& nodes, std::vector<UINT>& ids) {
    for (const MenuNode& node : nodes) {
        if (node.popup())
            collectCommands(node.items, ids);
        else if (!node.separator)
            ids.push_back(node.id);
    }
}

const MenuNode* findPopup(const std::vector<MenuNode>& nodes, const std::string& text) {
    for (const MenuNode& node : nodes)
        if (node.popup() && node.text == text) return &node;
    return nullptr;
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        menu_ = LoadMenuA(module(), MAKEINTRESOURCEA(IDR_EDITOR_MENU));
        ASSERT_NE(menu_, nullptr);
        bar_ = readMenu(menu_);
        collectCommands(bar_, commands_);
    }
    void TearDown() override {
        if (menu_) DestroyMenu(menu_);
    }
    bool hasCommand(UINT id) const {
        return std::find(commands_.begin(), commands_.end(), id) != commands_.end();
    }
    HMENU menu_ = nullptr;
    std::vector<MenuNode> bar_;
    std::vector<UINT> commands_;
};

TEST_F(MenuTest, EveryCommandIsNonZeroAndUnique) {
    ASSERT_FALSE(commands_.empty());
    std::set<UINT> seen;
    for (UINT id : commands_) {
        EXPECT_NE(id, 0u);
        EXPECT_TRUE(seen.insert(id).second) << "command " << id << " appears twice";
    }
    // Cancel (2) is the dialog manager's Escape and must never be a menu command.
    EXPECT_FALSE(hasCommand(IDCANCEL));
    EXPECT_FALSE(hasCommand(IDOK));
}

// The dispatcher maps each direction command to its axis by the order +X, --X,
// +Y, --Y, +Z, --Z; the menu must list them that way and the command numbers must
// count up with them.
TEST_F(MenuTest, ProjectionDirectionsInAxisOrder) {
    const MenuNode* mapping = findPopup(bar_, "Mapping");
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
            const MenuNode& item = popup->items[kind.first + i];
            EXPECT_EQ(item.text, directions[i]) << kind.name;
            EXPECT_EQ(item.id, kind.firstId + i) << kind.name << " " << directions[i];
        }
        EXPECT_EQ(popup->items.back().text, "User Defined") << kind.name;
        EXPECT_EQ(popup->items.back().id, kind.userDefined) << kind.name;
    }
    const MenuNode* planar = findPopup(mapping->items, "Planar");
    ASSERT_NE(planar, nullptr);
    EXPECT_EQ(planar->items.front().text, "Best Match");
    EXPECT_EQ(planar->items.front().id, static_cast<UINT>(ID_MAPPING_PLANAR_BEST_MATCH));
}

// ---------------------------------------------------------------------------
// The editor template

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST(DialogTemplates, EditorOpensWithItsMenu) {
    HWND editor = CreateDialogParamA(module(), MAKEINTRESOURCEA(IDD_EDITOR), nullptr, quietDialog, 0);
    ASSERT_NE(editor, nullptr);
    char caption[32] = {};
    GetWindowTextA(editor, caption, sizeof caption);
    EXPECT_STREQ(caption, "Texloom");
    HMENU menu = GetMenu(editor);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 6);  // Edit, Select, Transform, Mapping, View, Tools
    EXPECT_NE(GetMenuState(menu, ID_VIEW_SETTINGS, MF_BYCOMMAND), static_cast<UINT>(-1));
    // The template's size is the client area (the menu bar comes on top of it).
    RECT units = {0, 0, 238, 154};
    MapDialogRect(editor, &units);
    RECT client;
    GetClientRect(editor, &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_GT(client.bottom, units.bottom / 2);
    EXPECT_EQ(GetWindow(editor, GW_CHILD), nullptr);  // children come at run time
    DestroyWindow(editor);
}

// ---------------------------------------------------------------------------
// Cursors

struct CursorShape {
    POINT hotspot;
    RECT drawn;  // bounding box of the opaque or inverting pixels
    bool monochrome;
    int width, height;
};

CursorShape readCursor(HCURSOR cursor) {
    CursorShape shape = {};
    ICONINFO info = {};
    EXPECT_TRUE(GetIconInfo(cursor, &info));
    shape.hotspot = {static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)};
    shape.monochrome = info.hbmColor == nullptr;
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    shape.width = mask.bmWidth;
    shape.height = shape.monochrome ? mask.bmHeight / 2 : mask.bmHeight;
    // Read the AND and XOR halves as 32-bit pixels.
    std::vector<DWORD> pixels(static_cast<size_t>(mask.bmWidth) * mask.bmHeight);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = mask.bmWidth;
    bi.bmiHeader.biHeight = -mask.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, info.hbmMask, 0, mask.bmHeight, pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    shape.drawn = {shape.width, shape.height, -1, -1};
    for (int y = 0; y < shape.height && shape.monochrome; ++y)
        for (int x = 0; x < shape.width; ++x) {
            bool transparent = (pixels[y * shape.width + x] & 0xFFFFFF) != 0;
            bool inverted = (pixels[(y + shape.height) * shape.width + x] & 0xFFFFFF) != 0;
            if (!transparent || inverted) {
                shape.drawn.left = std::min<LONG>(shape.drawn.left, x);
                shape.drawn.top = std::min<LONG>(shape.drawn.top, y);
                shape.drawn.right = std::max<LONG>(shape.drawn.right, x);
                shape.drawn.bottom = std::max<LONG>(shape.drawn.bottom, y);
            }
        }
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return shape;
}

TEST(Cursors, EachLoadsWithItsHotspotInsideItsDrawing) {
    for (int id = IDC_CURSOR_FIRST; id <= IDC_CURSOR_LAST; ++id) {
        HCURSOR cursor = static_cast<HCURSOR>(
            LoadImageA(module(), MAKEINTRESOURCEA(id), IMAGE_CURSOR, 32, 32, 0));
        ASSERT_NE(cursor, nullptr) << id;
        CursorShape shape = readCursor(cursor);
        EXPECT_TRUE(shape.monochrome && shape.width == 32 && shape.height == 32) << id;
        // A hotspot outside the picture would point somewhere the user cannot see.
        EXPECT_TRUE(shape.hotspot.x >= shape.drawn.left && shape.hotspot.x <= shape.drawn.right &&
                    shape.hotspot.y >= shape.drawn.top && shape.hotspot.y <= shape.drawn.bottom)
            << id;
        DestroyCursor(cursor);
    }
}

// ---------------------------------------------------------------------------
// Toolbar strip and tooltips

TEST(Toolbar, StripHoldsSeventeenDistinctImagesOnGrey) {
    HBITMAP strip = static_cast<HBITMAP>(LoadImageA(module(), MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, 0,
                                                    0, LR_CREATEDIBSECTION));
    ASSERT_NE(strip, nullptr);
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectA(strip, sizeof dib, &dib), static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, TOOLBAR_IMAGE_WIDTH * TOOLBAR_IMAGE_COUNT);
    EXPECT_EQ(dib.dsBm.bmWidth, 272);
    EXPECT_EQ(dib.dsBm.bmHeight, TOOLBAR_IMAGE_HEIGHT);
    // The toolbar maps light grey to the button face: it must be in the palette
    // of a palette bitmap, which is what the mapping works on.
    EXPECT_LE(dib.dsBmih.biBitCount, 8);

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, strip);
    std::vector<std::vector<COLORREF>> images(TOOLBAR_IMAGE_COUNT);
    for (int i = 0; i < TOOLBAR_IMAGE_COUNT; ++i)
        for (int y = 0; y < TOOLBAR_IMAGE_HEIGHT; ++y)
            for (int x = 0; x < TOOLBAR_IMAGE_WIDTH; ++x)
                images[i].push_back(GetPixel(dc, i * TOOLBAR_IMAGE_WIDTH + x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(strip);

    const COLORREF grey = RGB(0xC0, 0xC0, 0xC0);
    for (int i = 0; i < TOOLBAR_IMAGE_COUNT; ++i) {
        auto background = std::count(images[i].begin(), images[i].end(), grey);
        EXPECT_GT(background, 0) << "image " << i << " has no transparent background";
        EXPECT_GT(static_cast<size_t>(images[i].size() - background), images[i].size() / 8)
            << "image " << i << " is nearly empty";
        for (int j = 0; j < i; ++j) EXPECT_NE(images[i], images[j]) << "images " << j << " and " << i;
    }
}

TEST(Toolbar, TooltipStringsExistAndDiffer) {
    std::set<std::string> texts;
    for (int id = IDS_FIRST_TOOLTIP; id <= IDS_LAST_TOOLTIP; ++id) {
        char text[128] = {};
        EXPECT_GT(LoadStringA(module(), id, text, sizeof text), 0) << id;
        EXPECT_TRUE(texts.insert(text).second) << "string " << id << " repeats \"" << text << "\"";
    }
    // The editor passes string identifiers straight to the tooltip, which reads
    // them from the module; spot-check that the identifiers match their texts.
    char text[128] = {};
    LoadStringA(module(), IDS_SYNCHRONIZE_SELECTIONS, text, sizeof text);
    EXPECT_STREQ(text, "Synchronize uv and mesh selections");
    LoadStringA(module(), IDS_UNDO, text, sizeof text);
    EXPECT_STREQ(text, "Undo");
}

}  // namespace

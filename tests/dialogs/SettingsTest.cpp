// Editor settings through the registry of the test prefix's current user, and the
// locale-aware number texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <string>

#include "canvas/UVCanvas.h"
#include "dialogs/Settings.h"

namespace {

const char* const kEditorValues[] = {
    "Mode", "GridSpacing", "BackColor", "HandleColor", "VertColor", "SelVertColor", "LockedColor",
    "ShowGrid", "ShowTex", "TileTex", "SnapToGrid", "SnapAngles", "ShowAll", "SyncSel",
    "CanvasWidth", "CanvasHeight", "AngleSnap", "Epsilon", "Left", "Top", "Width", "Height"};

void deleteSettingsKey() { RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str()); }

bool keyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Type of a stored value, 0 when missing.
DWORD storedType(const char* name) {
    DWORD type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, settingsKeyPath().c_str(), name, RRF_RT_ANY | RRF_NOEXPAND,
                     &type, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return type;
}

DWORD storedDword(const char* name) {
    DWORD value = 0xDEADBEEF, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, settingsKeyPath().c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

std::string storedString(const char* name) {
    char text[256] = {};
    DWORD size = sizeof text;
    RegGetValueA(HKEY_CURRENT_USER, settingsKeyPath().c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

// The number texts below are those of an English locale (period decimal separator).
bool englishNumbers() {
    char decimal[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal);
    return std::string(decimal) == ".";
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        deleteSettingsKey();
        canvas = UVCanvas::make();
        ASSERT_TRUE(canvas);
        window = CreateWindowExA(0, "STATIC", "editor", WS_POPUP, 30, 40, 612, 433, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(window);
    }
    void TearDown() override {
        DestroyWindow(window);
        deleteSettingsKey();
    }

    HostRef<UVCanvas> canvas;
    HWND window = nullptr;
};

TEST_F(SettingsTest, FirstRunKeepsDefaultsAndSaveWritesAll22Values) {
    ASSERT_TRUE(englishNumbers());
    EditorPlacement placement = loadEditorSettings(*canvas.Get());
    EXPECT_TRUE(keyExists());
    EXPECT_TRUE(placement.centre);
    EXPECT_EQ(placement.rect.left, 0);
    EXPECT_EQ(placement.rect.top, 0);
    EXPECT_EQ(placement.rect.right, 500);
    EXPECT_EQ(placement.rect.bottom, 400);
    EXPECT_EQ(canvas->tool, 1);
    EXPECT_EQ(canvas->gridSpacing, 10);
    EXPECT_EQ(canvas->backColor, 0x9F9F9Fu);
    EXPECT_FLOAT_EQ(canvas->angleStep, 5.0f);
    EXPECT_FLOAT_EQ(canvas->epsilon, 0.001f);

    saveEditorSettings(*canvas.Get(), window);
    for (const char* name : kEditorValues) {
        std::string n = name;
        DWORD expected = (n == "AngleSnap" || n == "Epsilon") ? REG_SZ : REG_DWORD;
        EXPECT_EQ(storedType(name), expected) << name;
    }
    EXPECT_EQ(storedDword("Mode"), 1u);
    EXPECT_EQ(storedDword("GridSpacing"), 10u);
    EXPECT_EQ(storedDword("VertColor"), 0xFFFFFFu);
    EXPECT_EQ(storedDword("SelVertColor"), 0x0000FFu);
    EXPECT_EQ(storedDword("LockedColor"), 0xFF0000u);
    EXPECT_EQ(storedDword("TileTex"), 0u);
    EXPECT_EQ(storedDword("SyncSel"), 1u);
    EXPECT_EQ(storedDword("CanvasHeight"), 256u);
    EXPECT_EQ(storedString("AngleSnap"), "5.000");
    EXPECT_EQ(storedString("Epsilon"), "0.001000");
    EXPECT_EQ(storedDword("Left"), 30u);
    EXPECT_EQ(storedDword("Top"), 40u);
    EXPECT_EQ(storedDword("Width"), 612u);
    EXPECT_EQ(storedDword("Height"), 433u);
}

TEST_F(SettingsTest, StoredValuesReachTheCanvasAndRoundTrip) {
    {
        SettingsKey key;
        ASSERT_TRUE(key.isOpen());
        key.writeDword("Mode", 3);
        key.writeDword("GridSpacing", 25);
        key.writeDword("BackColor", 0x123456);
        key.writeDword("TileTex", 7);   // any non-zero value is on
        key.writeDword("ShowGrid", 0);
        key.writeDword("CanvasWidth", 512);
        key.writeString("AngleSnap", "15");
        key.writeString("Epsilon", "0.25");
        key.writeString("HandleColor", "not a number");  // wrong type: default stays
    }
    loadEditorSettings(*canvas.Get());
    EXPECT_EQ(canvas->tool, 3);
    EXPECT_EQ(canvas->gridSpacing, 25);
    EXPECT_EQ(canvas->backColor, 0x123456u);
    EXPECT_TRUE(canvas->tileTexture);
    EXPECT_FALSE(canvas->showGrid);
    EXPECT_EQ(canvas->canvasWidth, 512);
    EXPECT_EQ(canvas->canvasHeight, 256);
    EXPECT_EQ(canvas->extentWidth, 0) << "loading sets the canvas size fields only";
    EXPECT_FLOAT_EQ(canvas->angleStep, 15.0f);
    EXPECT_FLOAT_EQ(canvas->epsilon, 0.25f);
    EXPECT_EQ(canvas->handleColor, 0x00FF00u);

    saveEditorSettings(*canvas.Get(), window);
    EXPECT_EQ(storedDword("TileTex"), 1u);
    EXPECT_EQ(storedDword("ShowGrid"), 0u);
    EXPECT_EQ(storedDword("HandleColor"), 0x00FF00u);
    EXPECT_EQ(storedDword("BackColor"), 0x123456u);
}

TEST_F(SettingsTest, WindowRectangleRules) {
    {
        SettingsKey key;
        key.writeDword("Left", static_cast<DWORD>(-20));
        key.writeDword("Top", 50);
        key.writeDword("Width", 10);   // too small: right edge stays 500
        key.writeDword("Height", 11);  // just enough
    }
    EditorPlacement placement = loadEditorSettings(*canvas.Get());
    EXPECT_FALSE(placement.centre);
    EXPECT_EQ(placement.rect.left, -20);
    EXPECT_EQ(placement.rect.top, 50);
    EXPECT_EQ(placement.rect.right, 500);
    EXPECT_EQ(placement.rect.bottom, 61);

    {
        SettingsKey key;
        RegDeleteValueA(key.handle(), "Left");
        RegDeleteValueA(key.handle(), "Top");
        key.writeDword("Width", 0xFFFFFFF0u);  // unsigned comparison: counts as large
    }
    placement = loadEditorSettings(*canvas.Get());
    EXPECT_TRUE(placement.centre);
    EXPECT_EQ(placement.rect.right, static_cast<LONG>(0xFFFFFFF0u));
}

TEST_F(SettingsTest, CentringInTheWorkArea) {
    EditorPlacement placement;  // 500 x 400, centred
    placeEditorWindow(window, placement);
    RECT area = {}, outer = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 500);
    EXPECT_EQ(outer.bottom - outer.top, 400);
    EXPECT_EQ(outer.left, (area.left + area.right) / 2 - 250);
    EXPECT_EQ(outer.top, (area.top + area.bottom) / 2 - 200);

    // Larger than the work area: pinned to its left and top edges.
    placement.rect = {0, 0, area.right - area.left + 300, area.bottom - area.top + 300};
    placeEditorWindow(window, placement);
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, area.left);
    EXPECT_EQ(outer.top, area.top);

    placement.rect = {70, 80, 370, 280};
    placement.centre = false;
    placeEditorWindow(window, placement);
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 70);
    EXPECT_EQ(outer.top, 80);
    EXPECT_EQ(outer.right, 370);
}

TEST_F(SettingsTest, StringsLongerThanTheBufferFailToLoad) {
    {
        SettingsKey key;
        key.writeString("AngleSnap", "1234567890123456789012345678901");   // 31 characters: fits
        key.writeString("Epsilon", "12345678901234567890123456789012");    // 32: too long
    }
    loadEditorSettings(*canvas.Get());
    EXPECT_GT(canvas->angleStep, 1e30f);
    EXPECT_FLOAT_EQ(canvas->epsilon, 0.001f);
    char text[32];
    SettingsKey key;
    EXPECT_FALSE(key.readString("Epsilon", text));
    EXPECT_STREQ(text, "");
}

TEST(NumberTextTest, FormatsWithDigitsAndLocale) {
    ASSERT_TRUE(englishNumbers());
    EXPECT_EQ(FormatNumber(5.0f, 3, false, false), "5");
    EXPECT_EQ(FormatNumber(5.0f, 3, false, true), "5.000");
    EXPECT_EQ(FormatNumber(0.001f, 6, false, true), "0.001000");
    EXPECT_EQ(FormatNumber(0.0f, 1, true, true), "0.0");
    EXPECT_EQ(FormatNumber(-2.5f, 2, true, true), "-2.50");
    EXPECT_EQ(FormatNumber(1234.5f, 2, true, true), "1234.50") << "no digit grouping";
    EXPECT_EQ(FormatNumber(0.00001f, 6, false, true), "1e-005") << "exponents are not localised";
    EXPECT_LE(FormatNumber(3e38f, 6, true, false).size(), 31u);
}

// Registered a second time with a German user locale (LC_ALL=de_DE.UTF-8 for Wine);
// skipped in the English run.
TEST(GermanLocale, WritesAndReadsItsOwnSeparator) {
    if (GetUserDefaultLCID() != 0x0407) GTEST_SKIP() << "runs with a German user locale";
    deleteSettingsKey();
    EXPECT_EQ(FormatNumber(5.0f, 3, false, true), "5,000");
    EXPECT_EQ(FormatNumber(0.0f, 1, true, true), "0,0");
    EXPECT_FLOAT_EQ(ParseNumber("5,000"), 5.0f);
    EXPECT_FLOAT_EQ(ParseNumber("0,25"), 0.25f);
    HostRef<UVCanvas> canvas = UVCanvas::make();
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    saveEditorSettings(*canvas.Get(), window);
    DestroyWindow(window);
    EXPECT_EQ(storedString("AngleSnap"), "5,000");
    HostRef<UVCanvas> reloaded = UVCanvas::make();
    reloaded->angleStep = 0;
    loadEditorSettings(*reloaded.Get());
    EXPECT_FLOAT_EQ(reloaded->angleStep, 5.0f);
    deleteSettingsKey();
}

TEST(NumberTextTest, CommaLocaleTextReadsAsThousandsInEnglish) {
    ASSERT_TRUE(englishNumbers());
    deleteSettingsKey();
    SettingsKey("Texloom").writeString("AngleSnap", "5,000");  // as a German locale wrote it
    HostRef<UVCanvas> canvas = UVCanvas::make();
    loadEditorSettings(*canvas.Get());
    EXPECT_FLOAT_EQ(canvas->angleStep, 5000.0f) << "the comma separates thousands here";
    deleteSettingsKey();
}

TEST(NumberTextTest, ParsesExponentsAndFallsBackToTheCConversion) {
    ASSERT_TRUE(englishNumbers());
    deleteSettingsKey();
    {
        HostRef<UVCanvas> canvas = UVCanvas::make();
        canvas->epsilon = 0.00001f;
        saveEditorSettings(*canvas.Get(), nullptr);
    }
    EXPECT_EQ(storedString("Epsilon"), "1e-005");
    HostRef<UVCanvas> reloaded = UVCanvas::make();
    loadEditorSettings(*reloaded.Get());
    EXPECT_FLOAT_EQ(reloaded->epsilon, 0.00001f);
    deleteSettingsKey();

    EXPECT_FLOAT_EQ(ParseNumber("1e-005"), 0.00001f);
    EXPECT_FLOAT_EQ(ParseNumber("-7.5"), -7.5f);
    EXPECT_FLOAT_EQ(ParseNumber("12abc"), 12.0f) << "leading numeric prefix";
    EXPECT_FLOAT_EQ(ParseNumber("abc"), 0.0f);
    EXPECT_FLOAT_EQ(ParseNumber(""), 0.0f);
}

}  // namespace

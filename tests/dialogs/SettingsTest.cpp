// Editor settings through the registry of the test prefix's current user, and the
// locale-aware number texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <clocale>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "canvas/CanvasView.h"
#include "dialogs/Settings.h"
#include "platform/NumberText.h"
#include "platform/SettingsKey.h"
#include "support/UiTestSupport.h"

namespace {

void deleteSettingsKey() { RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str()); }

// A stored DWORD value; a missing value or one of another type reads 0xDEADBEEF.
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

std::vector<LONG> edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

void storeDwords(std::initializer_list<std::pair<const char*, DWORD>> values) {
    SettingsKey key;
    ASSERT_TRUE(key.isOpen());
    for (const auto& [name, value] : values) key.writeDword(name, value);
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        deleteSettingsKey();
        window = CreateWindowExA(0, "STATIC", "editor", WS_POPUP, 30, 40, 612, 433, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(window);
    }
    void TearDown() override {
        DestroyWindow(window);
        deleteSettingsKey();
    }

    CanvasView view;
    HWND window = nullptr;
};

TEST_F(SettingsTest, FirstRunKeepsDefaultsAndSaveWritesAll25Values) {
    ASSERT_TRUE(uitest::englishNumbers());
    EditorPlacement placement = loadEditorSettings(view);
    EXPECT_TRUE(SettingsKey().isOpen()) << "the first run creates the key";
    EXPECT_TRUE(placement.centre);
    EXPECT_EQ(edges(placement.rect), (std::vector<LONG>{0, 0, 500, 400}));

    saveEditorSettings(view, window);
    const std::pair<const char*, DWORD> values[] = {
        {"Mode", 1},         {"GridSpacing", 10}, {"BackColor", 0x9F9F9F}, {"HandleColor", 0x00FF00},
        {"VertColor", 0xFFFFFF}, {"SelVertColor", 0x0000FF}, {"LockedColor", 0xFF0000}, {"ShowGrid", 1},
        {"ShowTex", 1},      {"TileTex", 0},      {"SnapToGrid", 1},       {"SnapAngles", 1},
        {"ShowAll", 1},      {"SyncSel", 1},      {"CanvasWidth", 256},    {"CanvasHeight", 256},
        {"ShowFlipOverlap", 0}, {"ShowStretch", 0}, {"SnapToCorners", 0}, {"Left", 30},          {"Top", 40},
        {"Width", 612},      {"Height", 433}};
    for (const auto& [name, value] : values) EXPECT_EQ(storedDword(name), value) << name;
    EXPECT_EQ(storedString("AngleSnap"), "5.000");
    EXPECT_EQ(storedString("Epsilon"), "0.001000");
}

TEST_F(SettingsTest, StoredValuesReachTheCanvasAndRoundTrip) {
    // TileTex: any non-zero value is on.
    storeDwords({{"Mode", 3}, {"GridSpacing", 25}, {"BackColor", 0x123456}, {"TileTex", 7}, {"ShowGrid", 0},
                 {"ShowStretch", 1}, {"CanvasWidth", 512}});
    {
        SettingsKey key;
        key.writeString("AngleSnap", "15");
        key.writeString("Epsilon", "0.25");
        key.writeString("HandleColor", "not a number");  // wrong type: default stays
    }
    loadEditorSettings(view);
    EXPECT_TRUE(view.tool == 3 && view.gridSpacing == 25 && view.backColor == 0x123456u && view.canvasWidth == 512);
    EXPECT_TRUE(view.tileTexture && !view.showGrid && view.showStretch && !view.showFaults);
    EXPECT_TRUE(view.angleStep == 15.0f && view.epsilon == 0.25f);
    EXPECT_TRUE(view.canvasHeight == 256 && view.handleColor == 0x00FF00u) << "missing or mistyped: unchanged";

    saveEditorSettings(view, window);
    EXPECT_EQ(storedDword("TileTex"), 1u);
    EXPECT_EQ(storedDword("HandleColor"), 0x00FF00u);

    // Strings longer than the 32-character buffer fail to load; 31 characters fit.
    {
        SettingsKey key;
        key.writeString("AngleSnap", "1234567890123456789012345678901");
        key.writeString("Epsilon", "12345678901234567890123456789012");
    }
    CanvasView fresh;
    loadEditorSettings(fresh);
    EXPECT_GT(fresh.angleStep, 1e30f);
    EXPECT_FLOAT_EQ(fresh.epsilon, 0.001f);
    char text[32];
    EXPECT_FALSE(SettingsKey().readString("Epsilon", text));
    EXPECT_STREQ(text, "");
}

TEST_F(SettingsTest, WindowRectangleRulesAndPlacement) {
    // Width too small: the right edge stays 500; height just enough.
    storeDwords({{"Left", static_cast<DWORD>(-20)}, {"Top", 50}, {"Width", 10}, {"Height", 11}});
    EditorPlacement placement = loadEditorSettings(view);
    EXPECT_TRUE(!placement.centre && edges(placement.rect) == (std::vector<LONG>{-20, 50, 500, 61}));
    {
        SettingsKey key;
        RegDeleteValueA(key.handle(), "Left");
        RegDeleteValueA(key.handle(), "Top");
        key.writeDword("Width", 0xFFFFFFF0u);  // unsigned comparison: counts as large
    }
    placement = loadEditorSettings(view);
    EXPECT_TRUE(placement.centre && placement.rect.right == static_cast<LONG>(0xFFFFFFF0u));

    // Edges whose sums leave 32 bits wrap as the stored words do; loading and placing
    // must not overflow (the test build traps it).
    const struct { DWORD left, width; LONG right; } wrapping[] = {{0x80000000u, 0, 500}, {1, 0x7FFFFFFFu, LONG(0x80000000u)}, {0x7FFFFFFFu, 0xFFFFFFFFu, 0x7FFFFFFE}};
    for (const auto& stored : wrapping) {
        storeDwords({{"Left", stored.left}, {"Top", stored.left}, {"Width", stored.width}});
        placement = loadEditorSettings(view);
        EXPECT_EQ(edges(placement.rect), (std::vector<LONG>{LONG(stored.left), LONG(stored.left), stored.right,
                                                            LONG(stored.left + 11u)}));
        placeEditorWindow(window, placement);
    }

    // Centred in the work area, or pinned to its left and top edges when larger.
    auto place = [&](bool centre, RECT rect) {
        placement.centre = centre, placement.rect = rect;
        placeEditorWindow(window, placement);
        RECT outer = {};
        GetWindowRect(window, &outer);
        return outer;
    };
    RECT area = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT outer = place(true, {0, 0, 500, 400});
    EXPECT_TRUE(outer.left == (area.left + area.right) / 2 - 250 && outer.top == (area.top + area.bottom) / 2 - 200);
    outer = place(true, {0, 0, area.right - area.left + 300, area.bottom - area.top + 300});
    EXPECT_TRUE(outer.left == area.left && outer.top == area.top) << outer.left << ", " << outer.top;
    EXPECT_EQ(edges(place(false, {70, 80, 370, 280})), (std::vector<LONG>{70, 80, 370, 280}));
}

TEST(NumberTextTest, FormatsWithDigitsAndLocale) {
    ASSERT_TRUE(uitest::englishNumbers());
    // No digit grouping; exponents are not localised.
    const struct { float value; int digits; bool fixed, localised; const char* text; } cases[] = {
        {5.0f, 3, false, false, "5"},     {5.0f, 3, false, true, "5.000"},     {0.001f, 6, false, true, "0.001000"},
        {0.0f, 1, true, true, "0.0"},     {-2.5f, 2, true, true, "-2.50"},     {1234.5f, 2, true, true, "1234.50"},
        {0.00001f, 6, false, true, "1e-005"}};
    for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.value, c.digits, c.fixed, c.localised), c.text) << c.value;
    EXPECT_LE(FormatNumber(3e38f, 6, true, false).size(), 31u);
    // A host whose C runtime writes decimal commas still gets a period before localising.
    ASSERT_NE(std::setlocale(LC_NUMERIC, "German"), nullptr);
    EXPECT_EQ(FormatNumber(2.5f, 1, true, false), "2.5");
    std::setlocale(LC_NUMERIC, "C");
}

// Registered a second time with a German user locale (LC_ALL=de_DE.UTF-8 for Wine);
// skipped in the English run.
TEST(GermanLocale, WritesAndReadsItsOwnSeparator) {
    if (GetUserDefaultLCID() != 0x0407) GTEST_SKIP() << "runs with a German user locale";
    deleteSettingsKey();
    EXPECT_EQ(FormatNumber(5.0f, 3, false, true) + " " + FormatNumber(0.0f, 1, true, true), "5,000 0,0");
    EXPECT_TRUE(ParseNumber("5,000") == 5.0f && ParseNumber("0,25") == 0.25f);
    saveEditorSettings(CanvasView{}, nullptr);
    EXPECT_EQ(storedString("AngleSnap"), "5,000");
    CanvasView reloaded;
    reloaded.angleStep = 0;
    loadEditorSettings(reloaded);
    EXPECT_FLOAT_EQ(reloaded.angleStep, 5.0f);
    deleteSettingsKey();
}

TEST_F(SettingsTest, ParsingReadsExponentsAndCommasAsThousandsInEnglish) {
    ASSERT_TRUE(uitest::englishNumbers());
    SettingsKey("Texloom").writeString("AngleSnap", "5,000");  // as a German locale wrote it
    loadEditorSettings(view);
    EXPECT_FLOAT_EQ(view.angleStep, 5000.0f) << "the comma separates thousands here";

    view.epsilon = 0.00001f;
    saveEditorSettings(view, nullptr);
    EXPECT_EQ(storedString("Epsilon"), "1e-005");
    CanvasView reloaded;
    loadEditorSettings(reloaded);
    EXPECT_FLOAT_EQ(reloaded.epsilon, 0.00001f);

    for (auto [text, value] : {std::pair{"-7.5", -7.5f}, {"12abc", 12.0f}, {"abc", 0.0f}, {"", 0.0f}})
        EXPECT_FLOAT_EQ(ParseNumber(text), value) << text;
}

}  // namespace

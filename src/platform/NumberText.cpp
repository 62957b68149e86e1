#include "platform/NumberText.h"

#include <windows.h>

#include <oleauto.h>

#include <clocale>
#include <cstdio>
#include <cstring>

namespace {
constexpr size_t kMaxNumberText = 31;
}  // namespace

std::string FormatNumber(float value, int digits, bool fixed, bool localise) {
    return formatNumberText(value, digits, fixed, localise).text;
}

NumberText formatNumberText(float value, int digits, bool fixed, bool localise) {
    NumberText result = {};
    char format[16];
    std::snprintf(format, sizeof format, "%s%d%s", "%.", digits, fixed ? "f" : "g");
    // The system runtime's formatting (three-digit exponents, as the registry texts
    // have always been written); a locale set by the host process is undone below.
    char text[512] = {};
    _snprintf(text, sizeof text - 1, format, static_cast<double>(value));
    text[kMaxNumberText] = '\0';
    const lconv* crtLocale = std::localeconv();
    char crtDecimal = crtLocale && crtLocale->decimal_point ? crtLocale->decimal_point[0] : '.';
    if (crtDecimal != '.' && crtDecimal != '\0')
        for (char* c = text; *c; ++c)
            if (*c == crtDecimal) *c = '.';
    std::memcpy(result.text, text, kMaxNumberText + 1);
    if (!localise) return result;

    char decimal[8] = ".", thousand[8] = ",";
    DWORD leadingZero = 1, negativeOrder = 1;
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousand, sizeof thousand);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ILZERO | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<char*>(&leadingZero), sizeof leadingZero);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_INEGNUMBER | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<char*>(&negativeOrder), sizeof negativeOrder);
    NUMBERFMTA numberFormat = {};
    numberFormat.NumDigits = digits < 0 ? 0u : static_cast<UINT>(digits);
    numberFormat.LeadingZero = leadingZero;
    numberFormat.Grouping = 0;
    numberFormat.lpDecimalSep = decimal;
    numberFormat.lpThousandSep = thousand;
    numberFormat.NegativeOrder = negativeOrder;
    char localised[64] = {};
    if (GetNumberFormatA(LOCALE_USER_DEFAULT, 0, text, &numberFormat, localised,
                         sizeof localised) > 0) {
        std::memcpy(result.text, localised, kMaxNumberText);
        result.text[kMaxNumberText] = '\0';
    }
    return result;
}

float ParseNumber(const char* text) {
    if (!text) return 0.0f;
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length > 0) {
        BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
        if (wide) {
            FLOAT value = 0;
            bool converted = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, length) > 0 &&
                             SUCCEEDED(VarR4FromStr(wide, LOCALE_USER_DEFAULT, 0, &value));
            SysFreeString(wide);
            if (converted) return value;
        }
    }
    return parseNumberPrefix(text);
}

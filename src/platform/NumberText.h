// The locale-aware number texts that the dialogs, the controls bar, the canvas's
// read-outs and the registry share.
#pragma once

#include <cstdlib>
#include <string>

// value as "%.<digits>f" (fixed) or "%.<digits>g", period as separator, at most 31
// characters; with localise, re-formatted through the user's locale with <digits>
// decimals and no grouping (texts with an exponent stay as they are).
std::string FormatNumber(float value, int digits, bool fixed, bool localise);
// The same text in place, for read-outs that follow every mouse move.
struct NumberText {
    char text[32];
};
NumberText formatNumberText(float value, int digits, bool fixed, bool localise);
// The user locale's number text to float; falls back to parseNumberPrefix.
float ParseNumber(const char* text);
// The C conversion: period separator, the leading numeric prefix (0 when none) as a
// double narrowed to float, so that any float, infinities and NaN included, may come out.
inline float parseNumberPrefix(const char* text) { return text ? static_cast<float>(std::atof(text)) : 0.0f; }

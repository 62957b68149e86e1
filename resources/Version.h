// The release's version, in one place: the DLL's version resource, GetVersion and the
// package's file names (tools/package reads TEXLOOM_VERSION_TEXT from here).
#pragma once

#define TEXLOOM_VERSION_MAJOR 1
#define TEXLOOM_VERSION_MINOR 0
#define TEXLOOM_VERSION_TEXT "1.0"

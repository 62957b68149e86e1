// Counts the memory allocations and GDI objects a module makes, by pointing its import
// table's allocating functions (malloc and kin, SysAllocString*, the GDI Create* calls)
// at counting wrappers. For the benchmark only: it answers "does a frame or a drag
// step allocate?" for the plug-in and for the host apart, with the real binaries.
#pragma once

#include <windows.h>

namespace bench {

struct Allocations {
    long long heap = 0;  // malloc, calloc, realloc, _strdup, SysAllocString*, HeapAlloc
    long long gdi = 0;   // GDI objects and device contexts created
};

enum class Side { Plugin, Host };

// Starts counting the calls `module` makes (once per side); answers how many imports it
// redirected.
int countAllocations(HMODULE module, Side side);

// The counts of one side so far.
Allocations allocations(Side side);

}  // namespace bench

#include "AllocationCounter.h"

#include <oleauto.h>

#include <cstdlib>
#include <cstring>

namespace bench {
namespace {

Allocations counts[2];

// The functions that hand out memory or GDI objects, each with a counting wrapper per
// side that forwards to the import's original address.
template <Side S>
struct Wrappers {
    static inline void* original[16];
    static long long& heap() { return counts[int(S)].heap; }
    static long long& gdi() { return counts[int(S)].gdi; }

    template <int I, typename R, typename... A>
    static R call(A... a) {
        return reinterpret_cast<R (*)(A...)>(original[I])(a...);
    }
    static void* malloc_(size_t n) { return ++heap(), call<0, void*>(n); }
    static void* calloc_(size_t n, size_t s) { return ++heap(), call<1, void*>(n, s); }
    static void* realloc_(void* p, size_t n) { return ++heap(), call<2, void*>(p, n); }
    static char* strdup_(const char* s) { return ++heap(), call<3, char*>(s); }
    static BSTR WINAPI sysAllocString(const OLECHAR* s) { return ++heap(), call<4, BSTR>(s); }
    static BSTR WINAPI sysAllocStringLen(const OLECHAR* s, UINT n) { return ++heap(), call<5, BSTR>(s, n); }
    static LPVOID WINAPI heapAlloc(HANDLE h, DWORD f, SIZE_T n) { return ++heap(), call<6, LPVOID>(h, f, n); }
    static HDC WINAPI createCompatibleDC(HDC dc) { return ++gdi(), call<7, HDC>(dc); }
    static HBITMAP WINAPI createCompatibleBitmap(HDC dc, int w, int h) { return ++gdi(), call<8, HBITMAP>(dc, w, h); }
    static HBITMAP WINAPI createDIBSection(HDC dc, const BITMAPINFO* i, UINT u, void** b, HANDLE s, DWORD o) {
        return ++gdi(), call<9, HBITMAP>(dc, i, u, b, s, o);
    }
    static HPEN WINAPI createPen(int s, int w, COLORREF c) { return ++gdi(), call<10, HPEN>(s, w, c); }
    static HBRUSH WINAPI createSolidBrush(COLORREF c) { return ++gdi(), call<11, HBRUSH>(c); }
    static HFONT WINAPI createFontIndirectA(const LOGFONTA* f) { return ++gdi(), call<12, HFONT>(f); }
    static HRGN WINAPI createRectRgn(int l, int t, int r, int b) { return ++gdi(), call<13, HRGN>(l, t, r, b); }

    static void* wrapper(const char* name, int& index) {
        const struct {
            const char* name;
            void* wrapper;
        } table[] = {{"malloc", reinterpret_cast<void*>(malloc_)},
                     {"calloc", reinterpret_cast<void*>(calloc_)},
                     {"realloc", reinterpret_cast<void*>(realloc_)},
                     {"_strdup", reinterpret_cast<void*>(strdup_)},
                     {"SysAllocString", reinterpret_cast<void*>(sysAllocString)},
                     {"SysAllocStringLen", reinterpret_cast<void*>(sysAllocStringLen)},
                     {"HeapAlloc", reinterpret_cast<void*>(heapAlloc)},
                     {"CreateCompatibleDC", reinterpret_cast<void*>(createCompatibleDC)},
                     {"CreateCompatibleBitmap", reinterpret_cast<void*>(createCompatibleBitmap)},
                     {"CreateDIBSection", reinterpret_cast<void*>(createDIBSection)},
                     {"CreatePen", reinterpret_cast<void*>(createPen)},
                     {"CreateSolidBrush", reinterpret_cast<void*>(createSolidBrush)},
                     {"CreateFontIndirectA", reinterpret_cast<void*>(createFontIndirectA)},
                     {"CreateRectRgn", reinterpret_cast<void*>(createRectRgn)}};
        for (index = 0; index < int(sizeof table / sizeof table[0]); ++index)
            if (std::strcmp(table[index].name, name) == 0) return table[index].wrapper;
        return nullptr;
    }
};

template <Side S>
int redirect(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress) return 0;
    int redirected = 0;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); d->Name; ++d) {
        if (!d->OriginalFirstThunk) continue;  // no names to match
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            int index = 0;
            void* wrapper = Wrappers<S>::wrapper(reinterpret_cast<const char*>(byName->Name), index);
            if (!wrapper) continue;
            DWORD protection = 0;
            if (!VirtualProtect(&addresses->u1.Function, sizeof(void*), PAGE_READWRITE, &protection)) continue;
            Wrappers<S>::original[index] = reinterpret_cast<void*>(addresses->u1.Function);
            addresses->u1.Function = reinterpret_cast<ULONG_PTR>(wrapper);
            VirtualProtect(&addresses->u1.Function, sizeof(void*), protection, &protection);
            ++redirected;
        }
    }
    return redirected;
}

}  // namespace

int countAllocations(HMODULE module, Side side) {
    if (!module) return 0;
    return side == Side::Plugin ? redirect<Side::Plugin>(module) : redirect<Side::Host>(module);
}

Allocations allocations(Side side) { return counts[int(side)]; }

}  // namespace bench

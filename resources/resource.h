// Resource identifiers of Texloom.dll.
#pragma once

#define IDR_TYPELIB 1

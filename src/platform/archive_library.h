// archive_library: the RAR extraction library's interface (UnRAR's dll.hpp)
// declared as this target needs it. On Windows the header takes its types and
// calling conventions (CALLBACK, PASCAL: stdcall on 32-bit) from windows.h;
// elsewhere _UNIX makes them plain, and LPARAM a long (pointer-sized there).
// The data pool is the library's only user.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#define _UNIX
#endif
#include <unrar/dll.hpp>

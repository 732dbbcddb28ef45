# Windows x86, the 32-bit program (it runs on 64-bit Windows too), tested
# under wine32 where the machine runs 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(triple i686-w64-mingw32)
set(wine_loader /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

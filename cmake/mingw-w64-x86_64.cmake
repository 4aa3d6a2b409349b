# A 64-bit build of the same sources. It is a test double, not a release:
# it stands in for the product where this machine runs no 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CK_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

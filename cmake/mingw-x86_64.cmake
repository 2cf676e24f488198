# The 64-bit twin of the Windows programs. It is never shipped: it runs the Windows tests, the
# end-to-end tests and the demo on machines whose kernel cannot run 32-bit programs (and so no
# 32-bit Wine).
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

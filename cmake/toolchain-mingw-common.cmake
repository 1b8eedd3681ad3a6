# What both MinGW-w64 cross builds share; the including file sets QARN_MINGW_TRIPLE and
# the processor. The posix thread model gives std::mutex and std::call_once; everything
# links statically, so the modules need only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QARN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QARN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QARN_MINGW_TRIPLE}-windres)
set(QARN_WIDL ${QARN_MINGW_TRIPLE}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${QARN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

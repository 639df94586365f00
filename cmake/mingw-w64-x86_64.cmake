# Cross-builds the core, zelkam-cli and the core's tests for 64-bit Windows
# with Debian's mingw-w64 (POSIX thread model, so std::thread and friends
# are there). Everything is linked statically: the programs run from a
# plain folder, or under Wine, without any DLL beside them.
#
# Libraries Debian does not ship for mingw are looked for in
# ZELKAM_WINDOWS_PREFIX (scripts/test-windows builds them there): CMake
# packages, pkg-config files and plain find_library/find_path alike.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZELKAM_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZELKAM_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELKAM_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELKAM_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${ZELKAM_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZELKAM_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT ZELKAM_WINDOWS_PREFIX AND DEFINED ENV{ZELKAM_WINDOWS_PREFIX})
  set(ZELKAM_WINDOWS_PREFIX $ENV{ZELKAM_WINDOWS_PREFIX})
endif()
set(ZELKAM_WINDOWS_PREFIX "${ZELKAM_WINDOWS_PREFIX}" CACHE PATH "Where the Windows builds of third-party libraries are")
# try_compile projects see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZELKAM_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${ZELKAM_MINGW_TRIPLET})
if(ZELKAM_WINDOWS_PREFIX)
  list(PREPEND CMAKE_FIND_ROOT_PATH ${ZELKAM_WINDOWS_PREFIX})
  list(PREPEND CMAKE_PREFIX_PATH ${ZELKAM_WINDOWS_PREFIX})
  # pkg_check_modules looks only at the Windows builds, never the host's.
  set(ENV{PKG_CONFIG_LIBDIR} "${ZELKAM_WINDOWS_PREFIX}/lib/pkgconfig:${ZELKAM_WINDOWS_PREFIX}/share/pkgconfig")
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static archives first (zlib's import library would need its DLL beside
# the program), and the static-library forms of the C APIs that otherwise
# declare their functions as DLL imports.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a .dll.a .lib)
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_C_FLAGS_INIT "-DUTF8PROC_STATIC -DLZMA_API_STATIC")
set(CMAKE_CXX_FLAGS_INIT "-DUTF8PROC_STATIC -DLZMA_API_STATIC")
# The viewer links Qt's DLLs, which use the C++ runtime's DLLs: it then
# uses them too (one runtime per process), and they ship beside it.
if(NOT ZELKAM_WINDOWS_SHARED_RUNTIME AND DEFINED ENV{ZELKAM_WINDOWS_SHARED_RUNTIME})
  set(ZELKAM_WINDOWS_SHARED_RUNTIME $ENV{ZELKAM_WINDOWS_SHARED_RUNTIME})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZELKAM_WINDOWS_SHARED_RUNTIME)
if(NOT ZELKAM_WINDOWS_SHARED_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()

# Test programs run under Wine; their test cases are listed when ctest
# runs, not while building.
find_program(ZELKAM_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZELKAM_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZELKAM_WINE})
endif()
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

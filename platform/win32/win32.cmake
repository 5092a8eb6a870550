# The Windows build (cross-compiled with platform/win32/toolchain.cmake): the same program over
# the Win32 backend, one executable with the C++ runtime linked in, and its zip. Beside it only
# what every Windows has (Win32, WGL, winmm) and libmpg123's DLL: the music decodes with the
# library that Linux uses, on every edition of Windows, whatever codecs it has. The pictures
# decode with Debian's stb_image.

# No link time in the PE header (mingw's ld writes one by default): one commit, one executable.
add_link_options(-Wl,--no-insert-timestamp)

find_path(STB_INCLUDE_DIR stb_image.h PATHS /usr/include/stb REQUIRED NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)

# libmpg123 cross-built from Debian's source package of it (the Linux build links Debian's
# binary package), into a DLL beside the executable as its licence, the LGPL 2.1, asks. The
# same bytes from any build folder (no time stamp, no path, a fixed image base); it needs only
# the system's DLLs.
set(TUVORAN_MPG123_SOURCE "" CACHE PATH
    "An unpacked source of mpg123 to build libmpg123 from (default: Debian's, fetched)")
set(mpg123_source ${TUVORAN_MPG123_SOURCE})
if(NOT mpg123_source)
    execute_process(COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/debian-source.sh mpg123
                            ${CMAKE_BINARY_DIR}/debian-sources
                    OUTPUT_VARIABLE mpg123_source OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE fetched)
    if(NOT fetched EQUAL 0)
        message(FATAL_ERROR "Debian's source of mpg123 could not be had (tools/debian-source.sh); "
                            "or give an unpacked one with -DTUVORAN_MPG123_SOURCE=FOLDER")
    endif()
endif()
include(ExternalProject)
set(mpg123_build ${CMAKE_BINARY_DIR}/mpg123)
ExternalProject_Add(mpg123
    SOURCE_DIR ${mpg123_source}/ports/cmake
    BINARY_DIR ${mpg123_build}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
               -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
               -DBUILD_SHARED_LIBS=ON -DBUILD_LIBOUT123=OFF -DBUILD_PROGRAMS=OFF -DNETWORK=OFF
               # No messages (the program asks for none), which name its source files where
               # they were built, nor other paths.
               -DNO_MESSAGES=ON
               "-DCMAKE_C_FLAGS=-ffile-prefix-map=${mpg123_source}=mpg123 -ffile-prefix-map=${mpg123_build}=mpg123"
               "-DCMAKE_SHARED_LINKER_FLAGS=-s -static-libgcc -Wl,--no-insert-timestamp,--disable-auto-image-base"
               -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${CMAKE_BINARY_DIR}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target libmpg123
    BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/libmpg123.dll ${mpg123_build}/src/libmpg123/libmpg123.dll.a
    INSTALL_COMMAND "")
# mpg123.h is made by the build; fmt123.h, which it includes, is in the source.
file(MAKE_DIRECTORY ${mpg123_build}/src/libmpg123)
add_library(libmpg123 SHARED IMPORTED)
set_target_properties(libmpg123 PROPERTIES
    IMPORTED_LOCATION ${CMAKE_BINARY_DIR}/libmpg123.dll
    IMPORTED_IMPLIB ${mpg123_build}/src/libmpg123/libmpg123.dll.a
    INTERFACE_INCLUDE_DIRECTORIES "${mpg123_build}/src/libmpg123;${mpg123_source}/src/libmpg123")
add_dependencies(libmpg123 mpg123)
set(TUVORAN_MPG123_LICENCE ${mpg123_source}/COPYING)
# Named in the zip's README, with where its source is had.
file(STRINGS ${mpg123_source}/NEWS TUVORAN_MPG123_VERSION LIMIT_COUNT 1
     REGEX "^[0-9]+\\.[0-9]+\\.[0-9]+")
set(TUVORAN_MPG123_DEBIAN_VERSION ${TUVORAN_MPG123_VERSION})
if(EXISTS ${mpg123_source}/.debian-version)
    file(STRINGS ${mpg123_source}/.debian-version TUVORAN_MPG123_DEBIAN_VERSION LIMIT_COUNT 1)
endif()

file(GLOB TUVORAN_WIN32_SOURCES CONFIGURE_DEPENDS
     app/*.cpp display/*.cpp gfx/*.cpp audio/*.cpp demo/*.cpp platform/*.cpp platform/stb/*.cpp
     platform/mpg123/*.cpp platform/win32/*.cpp)
list(FILTER TUVORAN_WIN32_SOURCES EXCLUDE REGEX "_main\\.cpp$")

tuvoran_add_layers(SOURCES ${TUVORAN_WIN32_SOURCES}
                   BACKENDS win32 "/platform/win32/(win32_backend|win32_keys|wave_out)\\.cpp$")
# The library's file offsets are 64 bits on Windows too, as its names with _64 say.
set_property(SOURCE platform/mpg123/mpg123_audio_file.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             TUVORAN_MPG123_VERSION="${TUVORAN_MPG123_VERSION}" _FILE_OFFSET_BITS=64)
# Windows 10 and later; the real headers see no min and max macros.
target_compile_definitions(tuvoran_platform PUBLIC _WIN32_WINNT=0x0A00 WINVER=0x0A00)
target_include_directories(tuvoran_platform PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/platform/stb/include
                           ${CMAKE_CURRENT_SOURCE_DIR}/platform/win32/include)
target_include_directories(tuvoran_platform SYSTEM PRIVATE ${STB_INCLUDE_DIR})
target_link_libraries(tuvoran_platform PUBLIC opengl32 gdi32 winmm)
target_link_libraries(tuvoran_platform PRIVATE libmpg123)
# Nothing but the system's own DLLs and libmpg123's beside the executable: the C++ runtime and
# the threads are linked in.
target_link_options(tuvoran_platform INTERFACE -static)

set(TUVORAN_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows)
configure_file(${TUVORAN_RESOURCES}/tuvoran.rc.in ${CMAKE_CURRENT_BINARY_DIR}/tuvoran.rc @ONLY)
configure_file(${TUVORAN_RESOURCES}/tuvoran.exe.manifest.in
               ${CMAKE_CURRENT_BINARY_DIR}/tuvoran.exe.manifest @ONLY)
add_executable(tuvoran WIN32 app/tuvoran_main.cpp ${CMAKE_CURRENT_BINARY_DIR}/tuvoran.rc)
target_link_libraries(tuvoran PRIVATE tuvoran_core)
target_include_directories(tuvoran PRIVATE ${TUVORAN_RESOURCES})
set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/tuvoran.rc APPEND PROPERTY OBJECT_DEPENDS
             ${TUVORAN_RESOURCES}/tuvoran.ico ${CMAKE_CURRENT_BINARY_DIR}/tuvoran.exe.manifest)

# The benchmarks' programs, run under Wine by the Linux build's tuvoran-bench: the show with a
# timing layer over its backend, and the bare Win32 program its start-up is measured against.
add_executable(tuvoran-timed-run WIN32 bench/timed_run/timed_run_main.cpp)
target_link_libraries(tuvoran-timed-run PRIVATE tuvoran_core)
add_executable(tuvoran-win32-yardstick WIN32 platform/win32/win32_yardstick_main.cpp)
target_link_libraries(tuvoran-win32-yardstick PRIVATE opengl32 gdi32)
target_link_options(tuvoran-win32-yardstick PRIVATE -static)

# The unit tests, as BUILD_TESTING asks, or wherever GoogleTest's sources are there.
if(NOT DEFINED CACHE{BUILD_TESTING} AND EXISTS /usr/src/googletest/CMakeLists.txt)
    set(BUILD_TESTING ON)
endif()
if(BUILD_TESTING)
    enable_testing()
    add_subdirectory(tests/windows_units)
endif()
add_subdirectory(packaging/windows)

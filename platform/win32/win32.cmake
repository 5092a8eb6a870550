# The Windows build (cross-compiled with platform/win32/toolchain.cmake): the same program over
# the Win32 backend, one executable with the C++ runtime linked in, and its zip. Only what
# every Windows has is used beside it: Win32, WGL, winmm and the MPEG Layer-3 codec; the
# pictures decode with Debian's stb_image.

# No link time in the PE header (mingw's ld writes one by default): one commit, one executable.
add_link_options(-Wl,--no-insert-timestamp)

find_path(STB_INCLUDE_DIR stb_image.h PATHS /usr/include/stb REQUIRED NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)

file(GLOB TUVORAN_WIN32_SOURCES CONFIGURE_DEPENDS
     app/*.cpp display/*.cpp gfx/*.cpp audio/*.cpp demo/*.cpp platform/*.cpp platform/stb/*.cpp
     platform/win32/*.cpp)
list(FILTER TUVORAN_WIN32_SOURCES EXCLUDE REGEX "_main\\.cpp$")

tuvoran_add_layers(SOURCES ${TUVORAN_WIN32_SOURCES}
                   BACKENDS win32 "/platform/win32/(win32_backend|win32_keys|wave_out)\\.cpp$")
# Windows 10 and later; the real headers see no min and max macros.
target_compile_definitions(tuvoran_platform PUBLIC _WIN32_WINNT=0x0A00 WINVER=0x0A00)
target_include_directories(tuvoran_platform PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/platform/stb/include
                           ${CMAKE_CURRENT_SOURCE_DIR}/platform/win32/include)
target_include_directories(tuvoran_platform SYSTEM PRIVATE ${STB_INCLUDE_DIR})
target_link_libraries(tuvoran_platform PUBLIC opengl32 gdi32 winmm msacm32)
# Nothing but the system's own DLLs beside the executable: the C++ runtime and the threads
# are linked in.
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

# The browser build (emcmake): the same program over the web backend, and the static site
# it makes with the page and the data. Nothing here is fetched: the GL emulation and the
# SDL 1.2 emulation are emscripten's own, pictures decode with Debian's stb_image.

set(TUVORAN_SITE_DIR "${CMAKE_CURRENT_SOURCE_DIR}/build-web" CACHE PATH "Where the site goes")

file(GLOB TUVORAN_WEB_SOURCES CONFIGURE_DEPENDS
     app/*.cpp display/*.cpp gfx/*.cpp audio/*.cpp demo/*.cpp platform/*.cpp platform/posix/*.cpp
     platform/stb/*.cpp platform/web/*.cpp)
list(FILTER TUVORAN_WEB_SOURCES EXCLUDE REGEX "_main\\.cpp$")
# Replaced in the browser: the sound device and decoder by Web Audio.
list(FILTER TUVORAN_WEB_SOURCES EXCLUDE REGEX
     "platform/(sound_device|sound_stream|playback_clock)\\.cpp$")

find_path(STB_INCLUDE_DIR stb_image.h PATHS /usr/include/stb REQUIRED NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)

add_library(tuvoran_core STATIC ${TUVORAN_WEB_SOURCES})
target_include_directories(tuvoran_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}
                           ${CMAKE_CURRENT_SOURCE_DIR}/platform/stb/include)
target_include_directories(tuvoran_core SYSTEM PRIVATE ${STB_INCLUDE_DIR})
target_compile_options(tuvoran_core PRIVATE -O2)

add_executable(tuvoran app/tuvoran_web_main.cpp)
target_link_libraries(tuvoran PRIVATE tuvoran_core)
target_compile_options(tuvoran PRIVATE -O2)
target_link_options(tuvoran PRIVATE
    -O2
    -sLEGACY_GL_EMULATION=1
    -sGL_UNSAFE_OPTS=0
    -sASYNCIFY=1
    -sASYNCIFY_STACK_SIZE=65536
    -sALLOW_MEMORY_GROWTH=1
    -sINITIAL_MEMORY=64MB
    -sEXIT_RUNTIME=0
    -sENVIRONMENT=web
    -sFORCE_FILESYSTEM=1
    "-sEXPORTED_RUNTIME_METHODS=['FS']"
    -sMIN_WEBGL_VERSION=1
    -sMAX_WEBGL_VERSION=1)
set_target_properties(tuvoran PROPERTIES SUFFIX ".js")

# The site: the program, the page and the data the show loads.
file(GLOB TUVORAN_DATA_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/data/*)
set(TUVORAN_PAGE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/platform/web/page)
set(TUVORAN_DATA_NAMES "")
foreach(file ${TUVORAN_DATA_FILES})
    get_filename_component(name ${file} NAME)
    list(APPEND TUVORAN_DATA_NAMES "\"${name}\"")
endforeach()
list(JOIN TUVORAN_DATA_NAMES ", " TUVORAN_DATA_LIST)
configure_file(${TUVORAN_PAGE_DIR}/tuvoran-page.js ${CMAKE_CURRENT_BINARY_DIR}/tuvoran-page.js @ONLY)

add_custom_target(site ALL
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${TUVORAN_SITE_DIR}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TUVORAN_SITE_DIR}/data
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE_DIR:tuvoran>/tuvoran.js
            $<TARGET_FILE_DIR:tuvoran>/tuvoran.wasm ${TUVORAN_PAGE_DIR}/index.html
            ${CMAKE_CURRENT_BINARY_DIR}/tuvoran-page.js ${TUVORAN_SITE_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${TUVORAN_DATA_FILES} ${TUVORAN_SITE_DIR}/data
    DEPENDS tuvoran ${TUVORAN_PAGE_DIR}/index.html ${CMAKE_CURRENT_BINARY_DIR}/tuvoran-page.js
    COMMENT "Site in ${TUVORAN_SITE_DIR}")

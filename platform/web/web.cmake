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

tuvoran_add_layers(SOURCES ${TUVORAN_WEB_SOURCES}
                   BACKENDS web "/platform/web/web_(backend|page)\\.cpp$")
target_include_directories(tuvoran_platform PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/platform/stb/include)
target_include_directories(tuvoran_platform SYSTEM PRIVATE ${STB_INCLUDE_DIR})
foreach(layer IN LISTS TUVORAN_LAYERS)
    target_compile_options(${layer} PRIVATE -O2)
endforeach()

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
    -sDYNAMIC_EXECUTION=0
    -sMIN_WEBGL_VERSION=1
    -sMAX_WEBGL_VERSION=1)
set_target_properties(tuvoran PROPERTIES SUFFIX ".js")

file(GLOB TUVORAN_DATA_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/data/*)

# The site's pictures come from the show itself, drawn at build time by the native programs
# of a plain build (make web builds them first): a still of the capture's for the landing and
# link previews, and the program's own icon for the browser, home screens and app lists.
set(TUVORAN_NATIVE_BUILD "" CACHE PATH
    "A native build folder with tuvoran-capture, packaging/tuvoran-icons and tools/tuvoran-web-pictures")
set(TUVORAN_LANDING_MS 33000 CACHE STRING "The moment of the show behind the landing's prompt")
set(TUVORAN_CARD_MS 58000 CACHE STRING "The moment of the show on link previews")
set(TUVORAN_SITE_URL "" CACHE STRING
    "Where the site will be served (ending in /), for link previews; relative links without it")
set(native_programs ${TUVORAN_NATIVE_BUILD}/tuvoran-capture ${TUVORAN_NATIVE_BUILD}/packaging/tuvoran-icons
    ${TUVORAN_NATIVE_BUILD}/tools/tuvoran-web-pictures)
foreach(program IN LISTS native_programs)
    if(NOT EXISTS ${program})
        message(FATAL_ERROR "${program} is missing: the site's pictures are drawn by a native build's "
                            "programs (make web builds them in build/ and passes -DTUVORAN_NATIVE_BUILD)")
    endif()
endforeach()
list(GET native_programs 0 capture_program)
list(GET native_programs 1 icons_program)
list(GET native_programs 2 pictures_program)
find_program(TUVORAN_NODE NAMES node nodejs REQUIRED NO_CMAKE_FIND_ROOT_PATH)

set(pictures_dir ${CMAKE_CURRENT_BINARY_DIR}/site-pictures)
set(still_dir ${CMAKE_CURRENT_BINARY_DIR}/site-still)
set(site_pictures ${pictures_dir}/landing.webp ${pictures_dir}/card.jpg ${pictures_dir}/icon-32.png
    ${pictures_dir}/icon-192.png ${pictures_dir}/icon-512.png ${pictures_dir}/maskable-512.png
    ${pictures_dir}/apple-touch-icon.png)
set(music_facts ${pictures_dir}/music.json)
add_custom_command(OUTPUT ${site_pictures} ${music_facts}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${still_dir}
    COMMAND ${capture_program} --png ${still_dir}/landing --from ${TUVORAN_LANDING_MS}
            --at ${TUVORAN_LANDING_MS} --size 800x600 --quiet
    COMMAND ${capture_program} --png ${still_dir}/card --from ${TUVORAN_CARD_MS} --at ${TUVORAN_CARD_MS}
            --size 1200x900 --quiet
    COMMAND ${pictures_program} ${still_dir}/landing/at-${TUVORAN_LANDING_MS}.png
            ${still_dir}/card/at-${TUVORAN_CARD_MS}.png ${CMAKE_CURRENT_SOURCE_DIR}/data/muzak.mp3
            ${pictures_dir}
    COMMAND ${icons_program} ${pictures_dir}/icons 32 192 512
    COMMAND ${CMAKE_COMMAND} -E copy ${pictures_dir}/icons/32x32/apps/tuvoran.png ${pictures_dir}/icon-32.png
    COMMAND ${CMAKE_COMMAND} -E copy ${pictures_dir}/icons/192x192/apps/tuvoran.png ${pictures_dir}/icon-192.png
    COMMAND ${CMAKE_COMMAND} -E copy ${pictures_dir}/icons/512x512/apps/tuvoran.png ${pictures_dir}/icon-512.png
    COMMAND ${icons_program} --padded ${pictures_dir}/maskable-512.png 512
    COMMAND ${icons_program} --padded ${pictures_dir}/apple-touch-icon.png 180
    DEPENDS ${native_programs} ${TUVORAN_DATA_FILES}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    COMMENT "Drawing the site's stills at ${TUVORAN_LANDING_MS} and ${TUVORAN_CARD_MS} ms and its icons, timing its music"
    VERBATIM)

# The site: the program, the page and the data the show loads. A site folder outside the tree's
# build folders is deleted and made again only where this build made it (TUVORAN_SITE_DIR is
# anyone's to set); its record is kept here, as every file of the site is published.
set(owned_folder ${CMAKE_CURRENT_SOURCE_DIR}/tools/owned-folder.sh --record
    ${CMAKE_CURRENT_BINARY_DIR}/site-folders-made.txt)
set(TUVORAN_PAGE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/platform/web/page)
set(TUVORAN_DATA_NAMES "")
foreach(file ${TUVORAN_DATA_FILES})
    get_filename_component(name ${file} NAME)
    list(APPEND TUVORAN_DATA_NAMES "\"${name}\"")
endforeach()
list(JOIN TUVORAN_DATA_NAMES ", " TUVORAN_DATA_LIST)
configure_file(${TUVORAN_PAGE_DIR}/tuvoran-page.js ${CMAKE_CURRENT_BINARY_DIR}/tuvoran-page.js @ONLY)

add_custom_target(site ALL
    COMMAND ${owned_folder} remove ${TUVORAN_SITE_DIR}
    COMMAND ${owned_folder} make ${TUVORAN_SITE_DIR}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TUVORAN_SITE_DIR}/data
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE_DIR:tuvoran>/tuvoran.js
            $<TARGET_FILE_DIR:tuvoran>/tuvoran.wasm ${TUVORAN_PAGE_DIR}/index.html
            ${TUVORAN_PAGE_DIR}/manifest.webmanifest ${CMAKE_CURRENT_BINARY_DIR}/tuvoran-page.js
            ${site_pictures} ${TUVORAN_SITE_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${TUVORAN_DATA_FILES} ${TUVORAN_SITE_DIR}/data
    COMMAND ${TUVORAN_NODE} ${CMAKE_CURRENT_SOURCE_DIR}/platform/web/finish-site.mjs
            --music ${music_facts} ${TUVORAN_SITE_DIR} ${TUVORAN_SITE_URL}
    DEPENDS tuvoran ${TUVORAN_PAGE_DIR}/index.html ${TUVORAN_PAGE_DIR}/manifest.webmanifest
            ${TUVORAN_PAGE_DIR}/sw.js ${CMAKE_CURRENT_SOURCE_DIR}/platform/web/finish-site.mjs
            ${CMAKE_CURRENT_BINARY_DIR}/tuvoran-page.js ${site_pictures} ${music_facts}
    COMMENT "Site in ${TUVORAN_SITE_DIR}")

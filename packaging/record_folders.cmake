# Part of an install: notes in TUVORAN_FOLDER_RECORD the folders among TUVORAN_INSTALL_FOLDERS
# (relative to the prefix) and their parents that do not exist yet, so that the install is the
# one that makes them. The first line is the DESTDIR, which the paths leave out as
# install_manifest.txt does. A second install to the same DESTDIR adds to the record.

set(destdir "$ENV{DESTDIR}")
set(made "")
if(EXISTS "${TUVORAN_FOLDER_RECORD}")
    file(STRINGS "${TUVORAN_FOLDER_RECORD}" lines)
    list(POP_FRONT lines recorded_destdir)
    if(recorded_destdir STREQUAL "DESTDIR=${destdir}")
        set(made ${lines})
    endif()
endif()

foreach(folder IN LISTS TUVORAN_INSTALL_FOLDERS)
    set(path "${CMAKE_INSTALL_PREFIX}/${folder}")
    cmake_path(NORMAL_PATH path)
    string(REGEX REPLACE "(.)/$" "\\1" path "${path}")
    while(NOT path STREQUAL "/" AND NOT path STREQUAL "" AND NOT EXISTS "${destdir}${path}")
        list(APPEND made "${path}")
        cmake_path(GET path PARENT_PATH path)
    endwhile()
endforeach()

list(REMOVE_DUPLICATES made)
list(PREPEND made "DESTDIR=${destdir}")
list(JOIN made "\n" text)
file(WRITE "${TUVORAN_FOLDER_RECORD}" "${text}\n")

# make uninstall: removes the files that the last install from a build folder wrote (its
# install_manifest.txt), then the folders that install made (install_folders.txt) once they
# are empty. Folders that were there before the install are left alone, empty or not.
#   cmake -DBUILD_DIR=build -P tools/uninstall.cmake
# The install's DESTDIR is taken from the record; a different one in the environment is refused.

if(NOT BUILD_DIR)
    message(FATAL_ERROR "uninstall: give the build folder: cmake -DBUILD_DIR=build -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
set(manifest "${BUILD_DIR}/install_manifest.txt")
set(folder_record "${BUILD_DIR}/install_folders.txt")

if(NOT EXISTS "${manifest}")
    message(STATUS "Nothing to uninstall: ${manifest} does not exist (make install writes it)")
    return()
endif()

set(destdir "$ENV{DESTDIR}")
set(folders "")
if(EXISTS "${folder_record}")
    file(STRINGS "${folder_record}" folders)
    list(POP_FRONT folders recorded_destdir)
    string(REGEX REPLACE "^DESTDIR=" "" recorded_destdir "${recorded_destdir}")
    if(NOT "$ENV{DESTDIR}" STREQUAL "" AND NOT "$ENV{DESTDIR}" STREQUAL recorded_destdir)
        message(FATAL_ERROR "uninstall: the last install went to DESTDIR=${recorded_destdir}, not $ENV{DESTDIR}")
    endif()
    set(destdir "${recorded_destdir}")
endif()

file(STRINGS "${manifest}" files)
set(failed "")
foreach(file IN LISTS files)
    set(path "${destdir}${file}")
    if(EXISTS "${path}" OR IS_SYMLINK "${path}")
        message(STATUS "Removing: ${path}")
        file(REMOVE "${path}")
        if(EXISTS "${path}" OR IS_SYMLINK "${path}")
            list(APPEND failed "${path}")
        endif()
    else()
        message(STATUS "Already gone: ${path}")
    endif()
endforeach()

# A folder sorts after every folder above it: in reverse order, the deepest go first.
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
    set(path "${destdir}${folder}")
    if(IS_DIRECTORY "${path}" AND NOT IS_SYMLINK "${path}")
        file(GLOB left LIST_DIRECTORIES true "${path}/*" "${path}/.*")
        if(left STREQUAL "")
            message(STATUS "Removing folder: ${path}")
            file(REMOVE_RECURSE "${path}")
        endif()
    endif()
endforeach()

if(failed)
    list(JOIN failed "\n  " failed_text)
    message(FATAL_ERROR "uninstall: could not remove:\n  ${failed_text}")
endif()
file(REMOVE "${manifest}" "${folder_record}")

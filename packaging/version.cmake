# The one version of everything built from this tree (packaging/version_of.cmake says how it
# is made), as every build from that commit says. Sets TUVORAN_VERSION, TUVORAN_COMMIT,
# TUVORAN_SOURCE_DATE_EPOCH (the commit's time, or $SOURCE_DATE_EPOCH where it is set) and
# TUVORAN_VERSION_HEADER's folder, and configures again when the checkout's commit or tags
# change.

include(${CMAKE_CURRENT_LIST_DIR}/version_of.cmake)
tuvoran_version_of(${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
set(TUVORAN_VERSION ${version})
if(EXISTS ${PROJECT_SOURCE_DIR}/.git)
    # A commit, a new tag or a moved branch configures again, so the version never goes stale.
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path HEAD
                            --git-path packed-refs --git-path refs/tags --symbolic-full-name HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE git_files OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    string(REPLACE "\n" ";" git_files "${git_files}")
    list(POP_BACK git_files branch)
    if(branch MATCHES "^refs/")
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path
                                ${branch}
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE branch_file OUTPUT_STRIP_TRAILING_WHITESPACE)
        list(APPEND git_files ${branch_file})
    endif()
    foreach(file IN LISTS git_files)
        if(EXISTS ${file})
            set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                         ${file})
        endif()
    endforeach()
endif()
set(TUVORAN_COMMIT ${commit})
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(TUVORAN_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
elseif(commit_time)
    set(TUVORAN_SOURCE_DATE_EPOCH ${commit_time})
else()
    set(TUVORAN_SOURCE_DATE_EPOCH 0)
endif()
message(STATUS "Tuvoran ${TUVORAN_VERSION}")

# A header of its own, rewritten only when the version changes: only what prints the version
# is compiled again after a commit.
configure_file(${CMAKE_CURRENT_LIST_DIR}/tuvoran_version.h.in
               ${PROJECT_BINARY_DIR}/generated/tuvoran_version.h @ONLY)
include_directories(${PROJECT_BINARY_DIR}/generated)
# What the release's scripts read: the same version and time as the build's.
file(WRITE ${PROJECT_BINARY_DIR}/release.env
     "TUVORAN_VERSION=${TUVORAN_VERSION}\nTUVORAN_COMMIT=${TUVORAN_COMMIT}\n"
     "SOURCE_DATE_EPOCH=${TUVORAN_SOURCE_DATE_EPOCH}\n")

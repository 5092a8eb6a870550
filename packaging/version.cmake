# The one version of everything built from this tree, from the project's version and its
# commit: the project's version alone on a commit tagged v<version>, otherwise
# <version>+g<12 hex digits of the commit>, as every build from that commit says. The commit
# comes from git in a checkout, and from packaging/source-version.txt, which git archive fills
# in, in a source archive. Sets TUVORAN_VERSION, TUVORAN_COMMIT, TUVORAN_SOURCE_DATE_EPOCH
# (the commit's time, or $SOURCE_DATE_EPOCH where it is set) and TUVORAN_VERSION_HEADER's
# folder, and configures again when the checkout's commit or tags change.

set(commit "")
set(commit_time "")
set(tagged FALSE)
if(EXISTS ${PROJECT_SOURCE_DIR}/.git)
    find_package(Git REQUIRED)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%H%n%ct HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "git cannot read the commit of ${PROJECT_SOURCE_DIR}")
    endif()
    string(REPLACE "\n" ";" head "${head}")
    list(GET head 0 commit)
    list(GET head 1 commit_time)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse -q --verify
                            refs/tags/v${PROJECT_VERSION}^{commit}
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE tag_commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(tag_commit STREQUAL commit)
        set(tagged TRUE)
    endif()
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
else()
    # Lines: the commit, its time, and git describe's name for it.
    file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/source-version.txt archived)
    list(LENGTH archived lines)
    if(lines GREATER_EQUAL 2)
        list(GET archived 0 archived_commit)
        list(GET archived 1 archived_time)
    endif()
    if(archived_commit MATCHES "^[0-9a-f]+$" AND archived_time MATCHES "^[0-9]+$")
        set(commit ${archived_commit})
        set(commit_time ${archived_time})
        if(lines GREATER_EQUAL 3)
            list(GET archived 2 described)
            if(described STREQUAL "v${PROJECT_VERSION}")
                set(tagged TRUE)
            endif()
        endif()
    endif()
endif()

if(tagged)
    set(TUVORAN_VERSION ${PROJECT_VERSION})
elseif(commit)
    string(SUBSTRING ${commit} 0 12 short_commit)
    set(TUVORAN_VERSION ${PROJECT_VERSION}+g${short_commit})
else()
    # Neither a checkout nor git's archive: a copy of unknown origin says so.
    set(TUVORAN_VERSION ${PROJECT_VERSION}+unknown)
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

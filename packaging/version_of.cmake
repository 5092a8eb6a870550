# The version of a tree, ordered as dpkg orders versions:
#   1.0.0                  the commit tagged v1.0.0, the release
#   1.0.0~dev.N+g<commit>  a commit before it, N commits after the last release tag reachable
#                          (or from the first commit), so that it sorts below the release and
#                          above the development builds before it
#   1.0.0+N.g<commit>      N commits after the tag v1.0.0, before the next version is set
# with 12 hex digits of the commit. The commit comes from git in a checkout, and in a source
# archive from packaging/source-version.txt, which git archive fills in: the commit, its time and
# git describe's name for it. Where no tag is reachable, git archive cannot count the commits:
# tools/release.sh adds packaging/source-commits.txt to the release's archive; an archive that
# has neither is 1.0.0~dev+g<commit>, below every counted build. A copy of unknown origin is
# 1.0.0~dev+unknown.
#
# As a script, it prints the version of SOURCE_DIR for PROJECT_VERSION:
#   cmake -DSOURCE_DIR=DIR -DPROJECT_VERSION=1.0.0 -P packaging/version_of.cmake

# Sets version, commit and commit_time in the caller's scope.
function(tuvoran_version_of source project_version)
    set(commit "")
    set(commit_time "")
    set(described "")
    set(count "")
    if(EXISTS ${source}/.git)
        find_package(Git QUIET REQUIRED)
        execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%H%n%ct HEAD
                        WORKING_DIRECTORY ${source}
                        OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE
                        RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "git cannot read the commit of ${source}")
        endif()
        string(REPLACE "\n" ";" head "${head}")
        list(GET head 0 commit)
        list(GET head 1 commit_time)
        # The release's own tag first: describe would name another tag of the same commit.
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse -q --verify
                                refs/tags/v${project_version}^{commit}
                        WORKING_DIRECTORY ${source}
                        OUTPUT_VARIABLE tag_commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(tag_commit STREQUAL commit)
            set(described v${project_version})
        else()
            execute_process(COMMAND ${GIT_EXECUTABLE} describe --tags --match "v[0-9]*" HEAD
                            WORKING_DIRECTORY ${source}
                            OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE
                            ERROR_QUIET)
        endif()
        if(NOT described)
            execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
                            WORKING_DIRECTORY ${source}
                            OUTPUT_VARIABLE count OUTPUT_STRIP_TRAILING_WHITESPACE)
        endif()
    elseif(EXISTS ${source}/packaging/source-version.txt)
        file(READ ${source}/packaging/source-version.txt archived)
        if(archived MATCHES "^([0-9a-f]+)\n([0-9]+)\n([^\n]*)")
            set(commit ${CMAKE_MATCH_1})
            set(commit_time ${CMAKE_MATCH_2})
            set(described ${CMAKE_MATCH_3})
        endif()
        if(commit AND NOT described AND EXISTS ${source}/packaging/source-commits.txt)
            file(READ ${source}/packaging/source-commits.txt count)
            string(STRIP "${count}" count)
        endif()
    endif()

    # git describe: the tag alone on a tagged commit, else TAG-N-g<abbreviated commit>.
    set(tag "${described}")
    if(described MATCHES "^(.+)-([0-9]+)-g[0-9a-f]+$")
        set(tag ${CMAKE_MATCH_1})
        set(count ${CMAKE_MATCH_2})
    elseif(described)
        set(count 0)
    endif()
    string(SUBSTRING "${commit}" 0 12 short_commit)
    if(NOT commit)
        set(version ${project_version}~dev+unknown)
    elseif(tag STREQUAL "v${project_version}" AND count EQUAL 0)
        set(version ${project_version})
    elseif(tag STREQUAL "v${project_version}")
        set(version ${project_version}+${count}.g${short_commit})
    elseif(count MATCHES "^[0-9]+$")
        set(version ${project_version}~dev.${count}+g${short_commit})
    else()
        set(version ${project_version}~dev+g${short_commit})
    endif()
    set(version ${version} PARENT_SCOPE)
    set(commit ${commit} PARENT_SCOPE)
    set(commit_time ${commit_time} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    tuvoran_version_of(${SOURCE_DIR} ${PROJECT_VERSION})
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${version})
endif()

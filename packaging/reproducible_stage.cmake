# Run by CPack on the staged package before it is packed: every entry gets the release's mode
# and time (the commit's), whatever the umask and the hour of the build.
execute_process(
    COMMAND env SOURCE_DATE_EPOCH=${CPACK_TUVORAN_SOURCE_DATE_EPOCH} ${CPACK_TUVORAN_RELEASE_SCRIPT}
            normalise "${CPACK_TEMPORARY_DIRECTORY}"
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "reproducible_stage: the staged package could not be evened out")
endif()

# Run by CPack on the staged package before it is packed: Debian keeps the games of section
# games in /usr/games, so the show moves there. tuvoran-capture stays in /usr/bin, a tool
# that scripts run, and /usr/games is not on every script's PATH.

set(staged "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT EXISTS "${staged}/bin/tuvoran")
    message(FATAL_ERROR "games_folder: ${staged}/bin/tuvoran is not in the staged package")
endif()
file(MAKE_DIRECTORY "${staged}/games")
file(RENAME "${staged}/bin/tuvoran" "${staged}/games/tuvoran")

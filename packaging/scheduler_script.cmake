# Run by `cmake --install` (and so by the package's build) for one scheduler script: the copy
# under share/tallyscan/ finds the tallyscan-cli of the prefix installed into (the package's
# /usr, or /usr/local) unless TALLYSCAN_CLI names another. Slurm runs a copy of the script it
# was given, away from the installed folder, so the program's path is written into it.
#   SOURCE  the script in the source tree
#   TARGET  its path below the prefix (share/tallyscan/slurm/batch-array.sh)
#   BINDIR  the programs' folder below the prefix (bin)
file(READ "${SOURCE}" text)
string(REPLACE "\${TALLYSCAN_CLI:-tallyscan-cli}"
       "\${TALLYSCAN_CLI:-${CMAKE_INSTALL_PREFIX}/${BINDIR}/tallyscan-cli}" text "${text}")
set(destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${TARGET}")
message(STATUS "Installing: ${destination}")
file(WRITE "${destination}" "${text}")
file(CHMOD "${destination}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

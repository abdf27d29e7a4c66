# A Windows build made on Linux runs its test programs under Wine, headless,
# in a Wine prefix inside the build directory (scripts/wine-run sets it up on
# first use). Included before any target exists: targets take the emulator
# when they are created.
if(WIN32 AND CMAKE_HOST_UNIX AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CORVANTA_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine CACHE PATH "Wine prefix the Windows tests run in")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run ${CORVANTA_WINE_PREFIX})
endif()

# Language level and warnings shared by the project and by the bitmap
# generator's build for the build machine (resources/generator/standalone).
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()

# The engine's output is defined to the order of its float operations: no
# contraction into fused multiply-adds, no fast-math reassociation, SSE2
# arithmetic rather than x87 on every x86 target.
add_compile_options(-Wall -Wextra -Werror -ffp-contract=off -fno-fast-math)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86|AMD64|amd64")
  add_compile_options(-msse2 -mfpmath=sse)
endif()
# The 64-bit Windows stack is aligned to 16 bytes only, and GCC there does
# not realign it for the 32- and 64-byte spills of the AVX2 and AVX-512
# kernel builds: the assembler writes every vector move in its unaligned
# form, which costs nothing on aligned data.
if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wa,-muse-unaligned-vector-move)
endif()

# Sanitized builds for the test run: CORVANTA_SANITIZE holds what
# -fsanitize= takes ("thread", "address,undefined"); empty (the default)
# builds without. Every target is instrumented, and a finding ends the
# program, so a test that triggers one fails.
set(CORVANTA_SANITIZE "" CACHE STRING "Sanitizers as -fsanitize= takes them, e.g. address,undefined")
if(CORVANTA_SANITIZE)
  add_compile_options(-fsanitize=${CORVANTA_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${CORVANTA_SANITIZE})
endif()

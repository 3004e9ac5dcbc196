# The platform-free core built with the host compiler: tests under ASan and UBSan, libFuzzer
# targets and the benchmark.

set(NAVTRAP_WARNINGS -Wall -Wextra)
set(NAVTRAP_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# resources/ holds only Windows build rules; the other folders' lists name their portable files.
foreach(folder handoff browser server)
  include(${CMAKE_SOURCE_DIR}/${folder}/sources.cmake OPTIONAL)
endforeach()

add_library(navtrap_portable STATIC ${NAVTRAP_PORTABLE_SOURCES})
target_include_directories(navtrap_portable PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(navtrap_portable PRIVATE ${NAVTRAP_WARNINGS} ${NAVTRAP_SANITIZE})
target_link_options(navtrap_portable PUBLIC ${NAVTRAP_SANITIZE})

# The same sources with coverage instrumentation, for the fuzzers to steer by.
add_library(navtrap_portable_fuzz STATIC ${NAVTRAP_PORTABLE_SOURCES})
target_include_directories(navtrap_portable_fuzz PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(navtrap_portable_fuzz PRIVATE ${NAVTRAP_WARNINGS} ${NAVTRAP_SANITIZE} -fsanitize=fuzzer-no-link)
target_link_options(navtrap_portable_fuzz PUBLIC ${NAVTRAP_SANITIZE})

# The same sources without sanitizers, for the benchmark.
add_library(navtrap_portable_fast STATIC ${NAVTRAP_PORTABLE_SOURCES})
target_include_directories(navtrap_portable_fast PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(navtrap_portable_fast PRIVATE ${NAVTRAP_WARNINGS} -O2)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_subdirectory(tests/native)
add_subdirectory(fuzz)
add_subdirectory(bench)

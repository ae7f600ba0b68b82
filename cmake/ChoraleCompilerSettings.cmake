# Compiler settings shared by every target: warnings, optional sanitizers, ccache.

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
    set(CMAKE_C_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
    set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()

add_library(chorale_warnings INTERFACE)
target_compile_options(chorale_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor -Wcast-align
    -Woverloaded-virtual -Wimplicit-fallthrough)
if(CHORALE_WERROR)
    target_compile_options(chorale_warnings INTERFACE -Werror)
endif()

# AddressSanitizer and UndefinedBehaviorSanitizer for the whole tree (scripts/test builds the tests
# this way in build/asan). -O1 keeps the audio-heavy tests quick; any report fails the test.
if(CHORALE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined -O1)
    add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz tree (scripts/fuzz): coverage for libFuzzer plus the same sanitizers, with clang.
if(CHORALE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "CHORALE_FUZZ needs clang (scripts/fuzz configures clang-14)")
    endif()
    # clang 14 cannot emit the function-type check for coroutine frames ("Cannot represent a
    # difference across sections"), so that one check is off; gcc's warning flags are unknown.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize=function
        -fno-omit-frame-pointer -fno-sanitize-recover=undefined -Wno-unknown-warning-option)
    add_link_options(-fsanitize=address,undefined)
endif()

# A static library for one source folder: chorale_library(NAME folder SOURCES ... DEPS ...).
# Public headers are included as "<folder>/<Header>.h" from src/.
function(chorale_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE chorale_warnings)
endfunction()

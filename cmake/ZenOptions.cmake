# Warning and sanitizer flags shared by every target of the project.
add_library(zen_options INTERFACE)
target_compile_options(zen_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Wunused -Woverloaded-virtual -Wformat=2
  $<$<BOOL:${ZEN_WERROR}>:-Werror>)
target_include_directories(zen_options INTERFACE ${PROJECT_SOURCE_DIR})

if(ZEN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ZEN_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# The fuzzers see the coverage of the code under test only when that code is instrumented
# too, not just the harness: every target of a fuzz build gets the coverage hooks (and
# AddressSanitizer, which supplies them to programs linked without libFuzzer).
if(ZEN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ZEN_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address)
endif()

# zen_library(NAME DIR [DEPS ...]): a static library made of every .cpp directly in DIR.
function(zen_library name)
  cmake_parse_arguments(ZL "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${srcs})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_libraries(${name} PUBLIC zen_options ${ZL_DEPS})
endfunction()

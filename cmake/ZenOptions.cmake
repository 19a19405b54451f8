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

# zen_library(NAME DIR [DEPS ...]): a static library made of every .cpp directly in DIR.
function(zen_library name)
  cmake_parse_arguments(ZL "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${srcs})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_libraries(${name} PUBLIC zen_options ${ZL_DEPS})
endfunction()

# zen_test_suite(NAME LIBS lib... [LABELS label...]):
# one GoogleTest program made of every .cpp in the calling folder.
find_package(GTest REQUIRED)
include(GoogleTest)

function(zen_test_suite name)
  cmake_parse_arguments(ZT "" "" "LIBS;LABELS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE zen_options ${ZT_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    ZEN_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    ZEN_BUNDLE_DIR="${ZEN_BUNDLE_DIR}"
    ZEN_BUILD_DIR="${PROJECT_BINARY_DIR}")
  # Discovered tests get their properties flattened, so no property may hold a list:
  # labels go on the folder (ctest gives them to every test in it), and the two
  # environment settings go in two single-valued properties.
  set_property(DIRECTORY APPEND PROPERTY LABELS ${name} ${ZT_LABELS})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "XDG_RUNTIME_DIR=${PROJECT_BINARY_DIR}/xdg-runtime"
               ENVIRONMENT_MODIFICATION "QT_QPA_PLATFORM=set:offscreen")
endfunction()

# The self-contained program folder assembled in the build tree:
#   Zentrova.app/Contents/MacOS/{Zentrova, ZenHelper, engine3d.so, zentrova-slice}
#   Zentrova.app/Contents/res/...
set(ZEN_BUNDLE_DIR ${PROJECT_BINARY_DIR}/Zentrova.app/Contents)
set(ZEN_BUNDLE_BIN ${ZEN_BUNDLE_DIR}/MacOS)
file(MAKE_DIRECTORY ${ZEN_BUNDLE_BIN} ${ZEN_BUNDLE_DIR}/res)

# zen_bundle_executable(TARGET [NAME]): build TARGET into Contents/MacOS, with RUNPATH $ORIGIN.
function(zen_bundle_executable target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${ZEN_BUNDLE_BIN}
    LIBRARY_OUTPUT_DIRECTORY ${ZEN_BUNDLE_BIN}
    BUILD_RPATH "\$ORIGIN"
    INSTALL_RPATH "\$ORIGIN")
  if(ARGC GREATER 1)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${ARGV1})
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION Zentrova.app/Contents/MacOS
                            LIBRARY DESTINATION Zentrova.app/Contents/MacOS)
endfunction()

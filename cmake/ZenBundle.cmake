# The self-contained program folder assembled in the build tree:
#   Zentrova.app/Contents/MacOS/{Zentrova, ZenHelper, engine3d.so, zentrova-slice}
#   Zentrova.app/Contents/res/...
set(ZEN_BUNDLE_DIR ${PROJECT_BINARY_DIR}/Zentrova.app/Contents)
# Installed (cmake --install): the same folder as <prefix>/lib/zentrova/Zentrova.app, the
# programs linked into <prefix>/bin, the desktop entry and icon under <prefix>/share.
set(ZEN_INSTALL_CONTENTS lib/zentrova/Zentrova.app/Contents)
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
  install(TARGETS ${target} RUNTIME DESTINATION ${ZEN_INSTALL_CONTENTS}/MacOS
                            LIBRARY DESTINATION ${ZEN_INSTALL_CONTENTS}/MacOS)
endfunction()

# zen_install_launcher(PROGRAM NAME): <prefix>/bin/NAME, a relative link to the installed
# bundle's MacOS/PROGRAM (the programs find their bundle from their own resolved path).
function(zen_install_launcher program name)
  install(CODE "
    set(zen_bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(MAKE_DIRECTORY \"\${zen_bin}\")
    message(STATUS \"Installing: \${zen_bin}/${name}\")
    file(CREATE_LINK \"../${ZEN_INSTALL_CONTENTS}/MacOS/${program}\" \"\${zen_bin}/${name}\" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${zen_bin}/${name}\")")
endfunction()

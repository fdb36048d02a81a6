# Installation like any Debian game, and what the Debian package (debian/) takes.
#
#   <prefix>/games/velmora                        finds its library through ../lib/velmora
#   <prefix>/lib/velmora/libVelmora.so            the sound library, opened at run time by its path
#   <prefix>/share/velmora/*.wav                  the four sounds
#   <prefix>/share/applications, icons/hicolor, metainfo, mime/packages, man/man6
#
# The folders are fixed, not taken from GNUInstallDirs: the program finds its
# library and sounds relative to its own folder, so the three must move together.

set(VELMORA_APP_ID org.example.Velmora)
set(VELMORA_ICON_SIZES 16 24 32 48 64 128 256)

# --- the icon, drawn by our own program at build time -------------------------
add_executable(velmora_iconmaker ${CMAKE_SOURCE_DIR}/packaging/iconmaker.cpp)
target_link_libraries(velmora_iconmaker PRIVATE Qt6::Gui)
target_compile_options(velmora_iconmaker PRIVATE ${VELMORA_WARNINGS})
set_target_properties(velmora_iconmaker PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(VELMORA_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(VELMORA_ICONS ${VELMORA_ICON_DIR}/scalable/apps/${VELMORA_APP_ID}.svg)
foreach(n ${VELMORA_ICON_SIZES})
  list(APPEND VELMORA_ICONS ${VELMORA_ICON_DIR}/${n}x${n}/apps/${VELMORA_APP_ID}.png)
endforeach()
# Offscreen: the icon is drawn on build machines without a display.
set(VELMORA_TOOL_ENV QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0)
add_custom_command(OUTPUT ${VELMORA_ICONS}
  COMMAND ${CMAKE_COMMAND} -E env ${VELMORA_TOOL_ENV} $<TARGET_FILE:velmora_iconmaker> ${VELMORA_ICON_DIR}
  DEPENDS velmora_iconmaker
  COMMENT "Drawing the icon")
add_custom_target(velmora_icons ALL DEPENDS ${VELMORA_ICONS})

# The manual page, compressed the way Debian keeps them (-n: no name or time
# inside, so the same page always gives the same bytes).
find_program(GZIP gzip)
if(GZIP)
  set(VELMORA_MAN ${CMAKE_BINARY_DIR}/man/velmora.6.gz)
  add_custom_command(OUTPUT ${VELMORA_MAN}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/packaging/velmora.6 > ${VELMORA_MAN}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/velmora.6
    COMMENT "Compressing the manual page")
  add_custom_target(velmora_man ALL DEPENDS ${VELMORA_MAN})
else()
  set(VELMORA_MAN ${CMAKE_SOURCE_DIR}/packaging/velmora.6)
endif()

# The desktop entry starts the installed program by its whole path: /usr/games
# is not on the path a desktop session's programs are started with everywhere.
set(VELMORA_PROGRAM ${CMAKE_INSTALL_PREFIX}/games/velmora)
set(VELMORA_DESKTOP ${CMAKE_BINARY_DIR}/packaging/${VELMORA_APP_ID}.desktop)
configure_file(${CMAKE_SOURCE_DIR}/packaging/${VELMORA_APP_ID}.desktop.in ${VELMORA_DESKTOP} @ONLY)

# --- what is installed ----------------------------------------------------------
install(TARGETS velmora RUNTIME DESTINATION games)
install(TARGETS Velmora LIBRARY DESTINATION lib/velmora)
install(FILES
  "${CMAKE_BINARY_DIR}/bin/その他.wav"
  "${CMAKE_BINARY_DIR}/bin/禁止.wav"
  "${CMAKE_BINARY_DIR}/bin/駒打音.wav"
  "${CMAKE_BINARY_DIR}/bin/BGM.wav"
  DESTINATION share/velmora)
install(FILES ${VELMORA_DESKTOP} DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${VELMORA_APP_ID}.mime.xml DESTINATION share/mime/packages
        RENAME ${VELMORA_APP_ID}.xml)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${VELMORA_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${VELMORA_MAN} DESTINATION share/man/man6)
# File by file, so that a picture left over in the build folder is never installed.
foreach(n ${VELMORA_ICON_SIZES})
  install(FILES ${VELMORA_ICON_DIR}/${n}x${n}/apps/${VELMORA_APP_ID}.png DESTINATION share/icons/hicolor/${n}x${n}/apps)
endforeach()
install(FILES ${VELMORA_ICON_DIR}/scalable/apps/${VELMORA_APP_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)
# Debian keeps the licence as doc/<package>/copyright; other systems read it there too.
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION share/doc/velmora RENAME copyright)

# --- checks of the packaging files and of a whole installation --------------------
if(VELMORA_TESTS)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(APPSTREAMCLI appstreamcli)
  if(DESKTOP_FILE_VALIDATE)
    add_test(NAME packaging.desktop_file
      COMMAND ${DESKTOP_FILE_VALIDATE} ${VELMORA_DESKTOP})
    # Warnings (deprecated keys and the like) leave its exit status at 0: count them too.
    set_tests_properties(packaging.desktop_file PROPERTIES FAIL_REGULAR_EXPRESSION "error|warning")
  endif()
  if(APPSTREAMCLI)
    add_test(NAME packaging.metainfo
      COMMAND ${APPSTREAMCLI} validate --no-net --no-color ${CMAKE_SOURCE_DIR}/packaging/${VELMORA_APP_ID}.metainfo.xml)
  endif()
  add_test(NAME packaging.icons
    COMMAND ${CMAKE_COMMAND} -E env ${VELMORA_TOOL_ENV} $<TARGET_FILE:velmora_iconmaker> --check ${VELMORA_ICON_DIR})
  add_test(NAME packaging.install
    COMMAND ${CMAKE_COMMAND}
      -DBUILD_DIR=${CMAKE_BINARY_DIR}
      -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
      -DPREFIX=${CMAKE_BINARY_DIR}/test-install
      -DAPP_ID=${VELMORA_APP_ID}
      -DPROGRAM=${VELMORA_PROGRAM}
      "-DICON_SIZES=${VELMORA_ICON_SIZES}"
      -P ${CMAKE_SOURCE_DIR}/tests/test_packaging.cmake)
endif()

# --- the Debian package ------------------------------------------------------------
# Built by Debian's own tools from debian/ (scripts/package.sh), checked by
# lintian; once, from the plain test build (the package has its own build).
if(VELMORA_TESTS AND NOT CMAKE_BUILD_TYPE STREQUAL "Sanitize")
  add_test(NAME packaging.debian COMMAND ${CMAKE_SOURCE_DIR}/tests/debian_package.sh ${CMAKE_BINARY_DIR}/debian-package)
  # A whole Release build of the program inside: slow on a busy machine.
  set_tests_properties(packaging.debian PROPERTIES TIMEOUT 3600 SKIP_RETURN_CODE 77 RUN_SERIAL TRUE)
endif()

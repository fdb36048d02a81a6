# Installs the build into a fresh prefix and checks the installation file by file:
# exactly the expected files, copies equal to their sources byte for byte, icons
# of the right sizes, and the desktop entry (the installed program, taking a
# record file), icon, record type and metainfo naming each other.
#
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DPREFIX=... -DAPP_ID=... -DPROGRAM=... -DICON_SIZES=... -P test_packaging.cmake

set(faults 0)
macro(fault what)
  message(SEND_ERROR "${what}")
  math(EXPR faults "${faults} + 1")
endmacro()

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}")
endif()

set(waves その他.wav 禁止.wav 駒打音.wav BGM.wav)
set(expected
  games/velmora
  lib/velmora/libVelmora.so
  share/applications/${APP_ID}.desktop
  share/mime/packages/${APP_ID}.xml
  share/metainfo/${APP_ID}.metainfo.xml
  share/icons/hicolor/scalable/apps/${APP_ID}.svg
  share/doc/velmora/copyright)
find_program(GZIP gzip)
if(GZIP)
  list(APPEND expected share/man/man6/velmora.6.gz)
else()
  list(APPEND expected share/man/man6/velmora.6)
endif()
foreach(w ${waves})
  list(APPEND expected share/velmora/${w})
endforeach()
foreach(n ${ICON_SIZES})
  list(APPEND expected share/icons/hicolor/${n}x${n}/apps/${APP_ID}.png)
endforeach()

# Exactly these files, nothing missing and nothing stray.
file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)
set(missing ${expected})
list(REMOVE_ITEM missing ${found})
set(stray ${found})
list(REMOVE_ITEM stray ${expected})
foreach(f ${missing})
  fault("missing: ${f}")
endforeach()
foreach(f ${stray})
  fault("not expected: ${f}")
endforeach()

# Copies equal to what the build made or the sources hold.
set(pairs
  "${BUILD_DIR}/bin/libVelmora.so=lib/velmora/libVelmora.so"
  "${BUILD_DIR}/packaging/${APP_ID}.desktop=share/applications/${APP_ID}.desktop"
  "${SOURCE_DIR}/packaging/${APP_ID}.mime.xml=share/mime/packages/${APP_ID}.xml"
  "${SOURCE_DIR}/packaging/${APP_ID}.metainfo.xml=share/metainfo/${APP_ID}.metainfo.xml"
  "${SOURCE_DIR}/LICENSE=share/doc/velmora/copyright"
  "${BUILD_DIR}/icons/scalable/apps/${APP_ID}.svg=share/icons/hicolor/scalable/apps/${APP_ID}.svg")
foreach(w ${waves})
  list(APPEND pairs "${BUILD_DIR}/bin/${w}=share/velmora/${w}")
endforeach()
foreach(pair ${pairs})
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  if(EXISTS ${PREFIX}/${to})
    file(SHA256 ${from} a)
    file(SHA256 ${PREFIX}/${to} b)
    if(NOT a STREQUAL b)
      fault("${to} differs from ${from}")
    endif()
  endif()
endforeach()

# The compressed manual page unpacks to the page itself.
set(man ${PREFIX}/share/man/man6/velmora.6.gz)
if(GZIP AND EXISTS ${man})
  execute_process(COMMAND ${GZIP} -dc ${man} OUTPUT_VARIABLE page RESULT_VARIABLE rc)
  file(READ ${SOURCE_DIR}/packaging/velmora.6 source_page)
  if(NOT rc EQUAL 0 OR NOT page STREQUAL source_page)
    fault("share/man/man6/velmora.6.gz does not unpack to packaging/velmora.6")
  endif()
endif()

# Icons: PNG pictures of the size their folder names.
foreach(n ${ICON_SIZES})
  set(png ${PREFIX}/share/icons/hicolor/${n}x${n}/apps/${APP_ID}.png)
  if(EXISTS ${png})
    file(READ ${png} head LIMIT 24 HEX)
    string(SUBSTRING "${head}" 0 16 signature)
    string(SUBSTRING "${head}" 32 8 width)
    string(SUBSTRING "${head}" 40 8 height)
    math(EXPR w "0x${width}")
    math(EXPR h "0x${height}")
    if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT w EQUAL n OR NOT h EQUAL n)
      fault("${n}x${n} icon is not a ${n}x${n} PNG picture (${signature}, ${w}x${h})")
    endif()
  endif()
endforeach()

# The program: executable, and with no library search path of its own (it
# opens its sound library by its path, ../lib/velmora from its own folder).
set(exe ${PREFIX}/games/velmora)
if(EXISTS ${exe})
  execute_process(COMMAND test -x ${exe} RESULT_VARIABLE not_executable)
  if(not_executable)
    fault("games/velmora is not executable")
  endif()
  file(READ_ELF ${exe} RUNPATH runpath RPATH rpath)
  if(NOT "${runpath}${rpath}" STREQUAL "")
    fault("games/velmora carries the library search path '${runpath}${rpath}'")
  endif()
endif()

# The desktop entry starts the installed program with the installed icon, and
# the metainfo launches that desktop entry.
set(desktop ${PREFIX}/share/applications/${APP_ID}.desktop)
if(EXISTS ${desktop})
  file(STRINGS ${desktop} exec_line REGEX "^Exec=")
  file(STRINGS ${desktop} icon_line REGEX "^Icon=")
  file(STRINGS ${desktop} mime_line REGEX "^MimeType=")
  if(NOT exec_line STREQUAL "Exec=${PROGRAM} %f")
    fault("desktop entry runs '${exec_line}', not the installed ${PROGRAM} with a file")
  endif()
  if(NOT mime_line MATCHES "^MimeType=application/x-velmora-record\\\\?;$")
    fault("desktop entry opens '${mime_line}', not the record files' type")
  endif()
  if(NOT icon_line STREQUAL "Icon=${APP_ID}")
    fault("desktop entry shows '${icon_line}', not the installed icon ${APP_ID}")
  endif()
endif()
set(metainfo ${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml)
if(EXISTS ${metainfo})
  file(READ ${metainfo} text)
  foreach(needle
      "<id>${APP_ID}</id>"
      "<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>"
      "<binary>velmora</binary>")
    string(FIND "${text}" "${needle}" at)
    if(at LESS 0)
      fault("metainfo lacks ${needle}")
    endif()
  endforeach()
endif()

# The record type: the shared MIME database made from the installed file
# gives *.棋譜 files the type the desktop entry opens.
find_program(UPDATE_MIME_DATABASE update-mime-database)
if(UPDATE_MIME_DATABASE AND EXISTS ${PREFIX}/share/mime/packages/${APP_ID}.xml)
  execute_process(COMMAND ${UPDATE_MIME_DATABASE} ${PREFIX}/share/mime RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(globs "")
  if(EXISTS ${PREFIX}/share/mime/globs2)
    file(STRINGS ${PREFIX}/share/mime/globs2 globs ENCODING UTF-8 REGEX "application/x-velmora-record")
  endif()
  if(NOT rc EQUAL 0 OR NOT globs MATCHES ":application/x-velmora-record:\\*\\.棋譜$")
    fault("the MIME database gives *.棋譜 no record type (${rc}: ${out}; ${globs})")
  endif()
endif()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} fault(s) in the installation under ${PREFIX}")
endif()
file(REMOVE_RECURSE ${PREFIX})
message(STATUS "installation under ${PREFIX}: all files present and correct")

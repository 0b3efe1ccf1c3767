# Install rules, in the places GNUInstallDirs names: both programs, the desktop entry,
# the icon in every size, the AppStream metainfo, the man pages, the bash completion, the
# user guide and the copyright and changelog Debian wants beside every package. Included
# from the top CMakeLists.txt after src/app, so the window's target is known here.
include(GNUInstallDirs)

# The application's id (reverse DNS of the project's domain): the desktop entry's and the
# metainfo's file names and the icon's name.
set(VELORA_APP_ID example.velora.ImageResizer)
set(VELORA_MAINTAINER "The Velora Image Resizer developers <developers@velora.example>")

# The release date as Debian's changelog writes it (RFC 2822, with the day of the week).
string(REGEX MATCH "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$" _date
  "${VELORA_RELEASE_DATE}")
if(NOT _date)
  message(FATAL_ERROR "VELORA_RELEASE_DATE must be YYYY-MM-DD, not '${VELORA_RELEASE_DATE}'")
endif()
math(EXPR _year "${CMAKE_MATCH_1}")
math(EXPR _month "${CMAKE_MATCH_2}")
math(EXPR _day "${CMAKE_MATCH_3}")
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
math(EXPR _m "${_month} - 1")
list(GET _months ${_m} _monthName)
# Zeller's congruence: 0 is Saturday.
if(_month LESS 3)
  math(EXPR _zm "${_month} + 12")
  math(EXPR _zy "${_year} - 1")
else()
  set(_zm ${_month})
  set(_zy ${_year})
endif()
math(EXPR _weekday "(${_day} + (13 * (${_zm} + 1)) / 5 + ${_zy} % 100 + (${_zy} % 100) / 4
  + (${_zy} / 100) / 4 + 5 * (${_zy} / 100)) % 7")
set(_weekdays Sat Sun Mon Tue Wed Thu Fri)
list(GET _weekdays ${_weekday} _weekdayName)
set(VELORA_RELEASE_DATE_RFC2822
  "${_weekdayName}, ${CMAKE_MATCH_3} ${_monthName} ${_year} 00:00:00 +0000")

set(_data ${CMAKE_SOURCE_DIR}/data)
set(_generated ${CMAKE_BINARY_DIR}/data)

install(TARGETS velora-resize RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET velora-resizer)
  install(TARGETS velora-resizer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${_data}/${VELORA_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The metainfo names only the web pages this build has (see src/app/CMakeLists.txt).
set(VELORA_METAINFO_URLS "")
if(VELORA_PRODUCT_PAGE_URL)
  string(APPEND VELORA_METAINFO_URLS "  <url type=\"homepage\">${VELORA_PRODUCT_PAGE_URL}</url>\n")
endif()
if(VELORA_MANUAL_URL)
  string(APPEND VELORA_METAINFO_URLS "  <url type=\"help\">${VELORA_MANUAL_URL}</url>\n")
endif()
configure_file(${_data}/${VELORA_APP_ID}.metainfo.xml.in
  ${_generated}/${VELORA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${_generated}/${VELORA_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${_data}/icons/velora-image-resizer.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${VELORA_APP_ID}.svg)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${_data}/icons/velora-image-resizer-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME ${VELORA_APP_ID}.png)
endforeach()

install(FILES ${_data}/bash-completion/velora-resize
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Man pages and the changelog carry the version and the date; Debian wants them
# compressed, without a time stamp in the gzip header (-n) so builds are reproducible.
set(_compressed)
foreach(page velora-resize.1 velora-resizer.1)
  configure_file(${_data}/man/${page}.in ${_generated}/${page} @ONLY)
  list(APPEND _compressed ${page})
endforeach()
configure_file(${_data}/debian/changelog.in ${_generated}/changelog @ONLY)
list(APPEND _compressed changelog)
set(_gzipped)
foreach(file ${_compressed})
  add_custom_command(OUTPUT ${_generated}/${file}.gz
    COMMAND gzip -9 -n -c ${_generated}/${file} > ${_generated}/${file}.gz
    DEPENDS ${_generated}/${file}
    COMMENT "Compressing ${file}")
  list(APPEND _gzipped ${_generated}/${file}.gz)
endforeach()
add_custom_target(velora-install-data ALL DEPENDS ${_gzipped})

install(FILES ${_generated}/velora-resize.1.gz ${_generated}/velora-resizer.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_data}/debian/copyright ${_generated}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VELORA_PACKAGE_NAME})

# The user guide, made from the project's own text; the window's F1 opens it when no web
# manual is set. The build puts it where the installed tree has it, below the build
# folder, so the program finds it from the build folder as well (`make run`).
set(_guide ${CMAKE_BINARY_DIR}/${VELORA_USER_GUIDE})
add_custom_command(OUTPUT ${_guide}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/doc/${VELORA_PACKAGE_NAME}
  COMMAND velora-make-guide ${_data}/user-guide.md ${_guide}
  DEPENDS velora-make-guide ${_data}/user-guide.md
  COMMENT "Making the user guide")
add_custom_target(velora-user-guide ALL DEPENDS ${_guide})
install(FILES ${_guide} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VELORA_PACKAGE_NAME})

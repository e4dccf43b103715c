include(GNUInstallDirs)

# The binary carries no RPATH and uses the system's Qt.
set_target_properties(qvrutl PROPERTIES SKIP_BUILD_RPATH ON INSTALL_RPATH "")

set(QVR_DEB_MAINTAINER "The qvrutl authors <qvrutl-authors@example.org>")
set(QVR_ICON_SIZES 48 128 256)

# ---- FHS layout: cmake --install with a prefix such as /usr or /usr/local ----
# The program finds its folder unwritable there (or sees share/qvrutl beside its
# bin/) and keeps its settings in the user's configuration folder.
install(TARGETS qvrutl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT system)
# A stripped install (cpack -G DEB) also drops the compiler's notes, as Debian's own do.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND objcopy --remove-section=.comment --remove-section=.note
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/qvrutl\" COMMAND_ERROR_IS_FATAL ANY)
    endif()" COMPONENT system)
# The alarm's sound module, found as ../lib/qvrutl/qvrsound.so from the program's
# folder; a module, not a library of the system's, so it is not executable.
set(QVR_MODULE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(TARGETS qvrsound LIBRARY DESTINATION lib/qvrutl PERMISSIONS ${QVR_MODULE_PERMISSIONS} COMPONENT system)
# The history window's chart module, the same way.
install(TARGETS qvrhistory LIBRARY DESTINATION lib/qvrutl PERMISSIONS ${QVR_MODULE_PERMISSIONS} COMPONENT system)
install(FILES examples/qvrutl.pd3 examples/defhead.htm
        DESTINATION ${CMAKE_INSTALL_DATADIR}/qvrutl/examples COMPONENT system)
install(FILES data/${QVR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT system)
install(FILES data/${QVR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT system)
install(FILES data/${QVR_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages COMPONENT system)
install(FILES src/gui/app/qvrutl.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        COMPONENT system)
foreach(size ${QVR_ICON_SIZES})
    install(FILES data/icons/qvrutl-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME qvrutl.png COMPONENT system)
endforeach()

# Compressed as Debian wants them: gzip -9 without a time stamp, so builds repeat.
set(QVR_GZIPPED ${PROJECT_BINARY_DIR}/gzipped)
file(MAKE_DIRECTORY ${QVR_GZIPPED})
foreach(pair "data/debian/changelog;changelog.Debian.gz" "data/qvrutl.1;qvrutl.1.gz")
    list(GET pair 0 source)
    list(GET pair 1 target)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    execute_process(COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/${source}
                    OUTPUT_FILE ${QVR_GZIPPED}/${target} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${QVR_GZIPPED}/qvrutl.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT system)
install(FILES data/debian/copyright README.md ${QVR_GZIPPED}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT system)

# ---- Portable folder: the program at the top, so qvrutl.INI is created beside it ----
# Left out of a plain cmake --install; cmake --install --component portable gives it.
install(TARGETS qvrutl RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
# Found by the program as lib/qvrutl/qvrsound.so and qvrhistory.so beside itself.
install(TARGETS qvrsound qvrhistory LIBRARY DESTINATION lib/qvrutl PERMISSIONS ${QVR_MODULE_PERMISSIONS}
        COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES examples/qvrutl.pd3 examples/defhead.htm DESTINATION examples
        COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES examples/defhead.htm LICENSE DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES data/${QVR_APP_ID}.desktop DESTINATION share/applications COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES src/gui/app/qvrutl.svg DESTINATION share/icons/hicolor/scalable/apps
        COMPONENT portable EXCLUDE_FROM_ALL)
foreach(size ${QVR_ICON_SIZES})
    install(FILES data/icons/qvrutl-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
            RENAME qvrutl.png COMPONENT portable EXCLUDE_FROM_ALL)
endforeach()

# ---- Packages: cpack -G TGZ (portable folder), cpack -G DEB (FHS layout) ----
# cmake/cpack-generators.cmake picks the component for each generator.
set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME qvrutl)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The qvrutl authors")
set(CPACK_PACKAGE_CONTACT ${QVR_DEB_MAINTAINER})
set(CPACK_SYSTEM_NAME Linux)
set(CPACK_PACKAGE_FILE_NAME qvrutl-${PROJECT_VERSION}-Linux)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "record book for the characters of an online role-playing game")
set(CPACK_PACKAGE_DESCRIPTION
"QVR Utility keeps one grid row per character: name, section ID, class,
status values, the clear times of the stages of two episodes with their
totals, two flags and a memo. The fastest time of every stage is marked
and shown in a strip of best times. Rosters are saved to roster files
(.pd3), old version-2 files (.pd2) can be imported, and the roster can be
exported as comma-separated text, HTML or XML. Every value entered is kept
in a history, shown per character as a chart and a table. A small tool
window holds a repeating countdown timer with an alarm sound and a
section-ID checker.")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QVR_DEB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.org/qvrutl/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the binary's own libraries do not name them: the window
# system plugins (X11 and Wayland), the sound back-end (GStreamer with its
# PulseAudio output), the Japanese font, the grid's narrow font and Qt's own translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-wayland, qt6-image-formats-plugins, gstreamer1.0-plugins-base, gstreamer1.0-pulseaudio, fonts-noto-cjk, fonts-liberation, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_QVR_BUILD_DIR ${PROJECT_BINARY_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack-generators.cmake)
include(CPack)

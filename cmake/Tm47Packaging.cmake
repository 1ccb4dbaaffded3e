# Installation and the Debian package: the programs, desktop entries, the icon drawn from the
# menu artwork, manual pages made with help2man from each program's --help and --version, the
# copyright and changelog. `cpack -G DEB` in the build tree makes tm47logger_<version>_<arch>.deb.
include(GNUInstallDirs)

set(TM47_MAINTAINER "tm47logger authors <maintainers@tm47logger.org>")
set(pkg ${PROJECT_SOURCE_DIR}/packaging)
set(gen ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${gen})

set(programs tm47logger tm47sim r47)
foreach(program ${programs})
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

install(FILES ${pkg}/tm47logger.desktop ${pkg}/tm47logger-demo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icon, drawn by the same code as the menu screen's artwork.
# Sanitizer builds leave the build-time tools out: they run at build time, not as tests.
find_package(Qt6 QUIET COMPONENTS Svg)
if(TARGET Qt6::Svg AND TARGET tm47_resources_ui AND NOT TM47_SANITIZE)
    add_executable(tm47_make_icon ${pkg}/make_icon.cpp)
    target_link_libraries(tm47_make_icon PRIVATE tm47_resources_ui Qt6::Svg Qt6::Gui)
    set(icon_sizes 48 128 256)
    set(icon_files ${gen}/tm47logger.svg)
    foreach(size ${icon_sizes})
        list(APPEND icon_files ${gen}/tm47logger-${size}.png)
    endforeach()
    add_custom_command(OUTPUT ${icon_files}
        COMMAND tm47_make_icon ${gen} ${icon_sizes}
        DEPENDS tm47_make_icon
        COMMENT "Drawing the program icon")
    add_custom_target(tm47_icon ALL DEPENDS ${icon_files})
    foreach(size ${icon_sizes})
        install(FILES ${gen}/tm47logger-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME tm47logger.png)
    endforeach()
    install(FILES ${gen}/tm47logger.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
else()
    message(STATUS "packaging: Qt6 Svg missing, the program icon is not built")
endif()

# Manual pages from --help and --version (the programs answer both without a display).
find_program(HELP2MAN_PROGRAM help2man)
if(HELP2MAN_PROGRAM AND NOT TM47_SANITIZE)
    set(man_pages)
    foreach(program ${programs})
        if(NOT TARGET ${program})
            continue()
        endif()
        set(page ${gen}/${program}.1.gz)
        add_custom_command(OUTPUT ${page}
            COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr --section=1
                --include=${pkg}/man/${program}.h2m --output=${gen}/${program}.1
                $<TARGET_FILE:${program}>
            COMMAND gzip -9nf ${gen}/${program}.1
            DEPENDS ${program} ${pkg}/man/${program}.h2m
            COMMENT "Writing the manual page of ${program}")
        list(APPEND man_pages ${page})
    endforeach()
    add_custom_target(tm47_man_pages ALL DEPENDS ${man_pages})
    install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    message(STATUS "packaging: help2man missing, manual pages are not built")
endif()

# Debian's documentation folder: the machine-readable copyright and a compressed changelog.
configure_file(${pkg}/changelog.in ${gen}/changelog @ONLY)
add_custom_command(OUTPUT ${gen}/changelog.gz
    COMMAND gzip -9nc ${gen}/changelog > ${gen}/changelog.gz
    DEPENDS ${gen}/changelog)
add_custom_target(tm47_changelog ALL DEPENDS ${gen}/changelog.gz)
install(FILES ${pkg}/copyright ${gen}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tm47logger)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TM47_MAINTAINER})
set(CPACK_PACKAGE_VENDOR "the tm47logger authors")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TM47_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# shlibdeps finds the libraries the programs link; Qt's platform plugins are loaded at run time,
# and the screens' font is Liberation Sans where it is installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"field console and data logger for the TM47KVB metal detector
The TM47KVB is a time-domain electromagnetic metal detector. tm47logger is its
field console: it talks to the instrument and a GPS receiver over serial ports,
shows the four channels with a scrolling profile, logs survey data files by
survey line and station in Auto, Wheel and Manual trigger modes, merges the GPS
sentences into the same file, runs nulling and the QC-coil check, and re-plots
stored files line by line.
.
The package also holds tm47sim, a simulator of the instrument and a GPS
receiver on pseudo-terminals for trying the logger without hardware, and r47,
which checks data files and exports their readings with GPS positions as CSV,
XYZ, GeoJSON or GPX.")
include(CPack)

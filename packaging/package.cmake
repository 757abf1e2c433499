# Installation of the client (`cmake --install build --prefix DIR`) and its Debian package
# (`make package`). Only the client and its library are installed; the development server, the
# tools and the tests stay in the build tree.
include(GNUInstallDirs)

install(TARGETS tessan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The library is the client's own, not a system library: it lives in a folder of its own, which
# the program finds relative to itself, wherever the prefix is.
install(TARGETS tessnet LIBRARY DESTINATION lib/tessan)
set_target_properties(tessan PROPERTIES INSTALL_RPATH "$ORIGIN/../lib/tessan")

set(_pkg ${CMAKE_CURRENT_LIST_DIR}/../tessan/resources)
install(FILES ${_pkg}/tessan.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg}/icons/tessan.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# What a Debian system expects of every package: the copyright, the changelog and a manual page,
# the last two compressed without a time stamp so that rebuilds give the same bytes.
set(TESSAN_MAINTAINER "Tessan developers <developers@tessan.invalid>")
set(_docs ${CMAKE_CURRENT_BINARY_DIR}/packaging)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${_docs}/changelog @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/tessan.1 ${_docs}/tessan.1 @ONLY)
foreach(_file changelog tessan.1)
    execute_process(COMMAND gzip -9nc ${_docs}/${_file} OUTPUT_FILE ${_docs}/${_file}.gz
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${_docs}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${_docs}/tessan.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessan)
# The one version: the project's, which the client also shows.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tessan")
set(CPACK_PACKAGE_CONTACT "${TESSAN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "file-exchange client with a Chinese interface")
# Lines of at most 80 characters, as Debian shows them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Tessan sends files, text messages and voice messages straight into a friend's"
       "space on the friend's server, and lists, downloads and deletes what arrived"
       "for you. It keeps an address book of friends and their public keys, send and"
       "receive logs per account, and registers and tops up accounts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Qt's SVG plugins draw the icons, its translations say "确定" instead of "OK", and a CJK font
# writes the interface.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libgcc-s1, libstdc++6, libqt6core6 (>= 6.4), libqt6network6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), \
qt6-qpa-plugins, libqt6svg6, libqt6multimedia6 (>= 6.4), gstreamer1.0-plugins-good, \
qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)

# The package as a user gets it: built, unpacked into a temporary root, its program started.
if(BUILD_TESTING)
    add_test(NAME tessan_package
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/test-package.sh ${CMAKE_BINARY_DIR})
    # cpack and lintian take well over a minute on a loaded two-core machine.
    set_tests_properties(tessan_package PROPERTIES TIMEOUT 300)
endif()

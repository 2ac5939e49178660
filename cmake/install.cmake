# Install layout: the program folder (everything the program reads at run time) under
# lib/quillnote, a bin/quillnote link to it, and the desktop integration files. Tests and tools
# are not installed. CPack builds the Debian package from the same rules.
include(GNUInstallDirs)

set(QUILL_APP_ID example.tarrowin.Quillnote)
set(QUILL_PROGRAM_DIR lib/quillnote)

install(TARGETS quillnote RUNTIME DESTINATION ${QUILL_PROGRAM_DIR})
install(TARGETS quillcsapi LIBRARY DESTINATION ${QUILL_PROGRAM_DIR} NAMELINK_SKIP)
install(FILES
    ${PROJECT_SOURCE_DIR}/resources/qnReadMe.txt
    ${PROJECT_SOURCE_DIR}/resources/about.jpg
    ${PROJECT_SOURCE_DIR}/resources/help/Quillnote.html
    DESTINATION ${QUILL_PROGRAM_DIR})
# The descriptors the build copied beside the program: the same set the program reads in build/bin.
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/ispell DESTINATION ${QUILL_PROGRAM_DIR}
    FILES_MATCHING PATTERN "ispell.ini")
# The manual's pictures (resources/help.cmake copies them to bin/images).
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/images DESTINATION ${QUILL_PROGRAM_DIR} OPTIONAL
    FILES_MATCHING PATTERN "*.png")

# A relative link, so that it stays right under DESTDIR and inside the package. The program finds its
# folder through /proc/self/exe, which names the link's target.
install(CODE [[
    set(link "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/quillnote")
    file(MAKE_DIRECTORY "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
    file(REMOVE "${link}")
    file(CREATE_LINK ../lib/quillnote/quillnote "${link}" SYMBOLIC)
    message(STATUS "Installing: ${link} -> ../lib/quillnote/quillnote")
]])

install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/${QUILL_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/${QUILL_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/app/${QUILL_APP_ID}-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${QUILL_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/app/${QUILL_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual page, copyright and changelog where Debian keeps them; compressed without a time stamp, so
# that a rebuild gives the same package.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillnote)
install(CODE "set(QUILL_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")")
install(CODE [[
    foreach(pair "packaging/changelog;share/doc/quillnote/changelog.gz" "packaging/quillnote.1;share/man/man1/quillnote.1.gz")
        list(GET pair 0 from)
        list(GET pair 1 to)
        set(to "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${to}")
        get_filename_component(folder "${to}" DIRECTORY)
        file(MAKE_DIRECTORY "${folder}")
        execute_process(COMMAND gzip -9nc "${QUILL_SOURCE_DIR}/${from}" OUTPUT_FILE "${to}" RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "Could not compress ${from}")
        endif()
        message(STATUS "Installing: ${to}")
    endforeach()
]])

# The Debian package: cpack -G DEB in the build folder (packaging/build-deb.sh).
set(CPACK_PACKAGE_NAME quillnote)
set(CPACK_PACKAGE_VENDOR Tarrowin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tarrowin <feedback@tarrowin.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop note keeper with spell checking")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Quillnote keeps short notes in one file: each note has a title, a text and"
    "the time it was written. Notes can be searched, sorted, printed, exported"
    "and sent by e-mail, and their spelling can be checked with hunspell, aspell"
    "or ispell dictionaries.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.tarrowin.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The spelling programs and dictionaries named by the shipped descriptors (resources/ispell), and Qt's
# Wayland plugin: without it a Wayland session runs the program through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "hunspell, hunspell-en-us | hunspell-dictionary, aspell, aspell-en, ispell, iamerican | ispell-dictionary, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
    "xdg-utils, hunspell-en-gb, hunspell-de-de, hunspell-fr, hunspell-es, aspell-de, aspell-fr, aspell-es, ibritish, ingerman, ifrench-gut, ispanish")
set(CPACK_GENERATOR DEB)
include(CPack)

# What a Debian system installs besides the programs and their data (manual
# pages, the software centre's metadata, shell completion, the packages' own
# documents) and CPack's settings for the two .deb files that scripts/package
# makes: quillfen-cli (component cli, which needs only Qt Core) and quillfen
# (component window, with Qt Widgets and the web engine).

set(QUILLFEN_APP_ID io.github.quillfen.Quillfen)
set(QUILLFEN_MAINTAINER "Quillfen maintainers <support@quillfen.example>")
set(QUILLFEN_PACKAGE_FILES ${PROJECT_BINARY_DIR}/package)
set(resources ${PROJECT_SOURCE_DIR}/resources)

# The changelog's trailer line wants the release day in RFC 2822 form.
execute_process(COMMAND date -u -R -d "${QUILLFEN_RELEASE_DATE}"
  OUTPUT_VARIABLE QUILLFEN_RELEASE_TIME OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

# Fills in the version, release day and maintainer. Debian wants manual pages
# and changelogs compressed the most, without a time stamp (GZIP); the plain
# copy stays for the tests. configure_file reruns CMake when the source changes.
function(quillfen_configure source target)
  cmake_parse_arguments(ARG "GZIP" "" "" ${ARGN})
  configure_file(${source} ${target} @ONLY)
  if(ARG_GZIP)
    execute_process(COMMAND gzip -9nkf ${target} COMMAND_ERROR_IS_FATAL ANY)
  endif()
endfunction()

quillfen_configure(${resources}/quillfen-cli.1.in ${QUILLFEN_PACKAGE_FILES}/quillfen-cli.1 GZIP)
quillfen_configure(${resources}/quillfen.1.in ${QUILLFEN_PACKAGE_FILES}/quillfen.1 GZIP)
quillfen_configure(${resources}/changelog.in ${QUILLFEN_PACKAGE_FILES}/changelog GZIP)
quillfen_configure(${resources}/${QUILLFEN_APP_ID}.metainfo.xml ${QUILLFEN_PACKAGE_FILES}/${QUILLFEN_APP_ID}.metainfo.xml)

install(FILES ${QUILLFEN_PACKAGE_FILES}/quillfen-cli.1.gz DESTINATION share/man/man1 COMPONENT cli)
install(FILES ${resources}/quillfen-cli.bash-completion
  DESTINATION share/bash-completion/completions RENAME quillfen-cli COMPONENT cli)
install(FILES ${QUILLFEN_PACKAGE_FILES}/quillfen.1.gz DESTINATION share/man/man1 COMPONENT window)
install(FILES ${QUILLFEN_PACKAGE_FILES}/${QUILLFEN_APP_ID}.metainfo.xml DESTINATION share/metainfo COMPONENT window)
# Each package carries the copyright and changelog in its own doc folder.
install(FILES ${resources}/copyright ${QUILLFEN_PACKAGE_FILES}/changelog.gz DESTINATION share/doc/quillfen-cli COMPONENT cli)
install(FILES ${resources}/copyright ${QUILLFEN_PACKAGE_FILES}/changelog.gz DESTINATION share/doc/quillfen COMPONENT window)

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli window)
set(CPACK_PACKAGE_NAME quillfen)
set(CPACK_DEBIAN_PACKAGE_SOURCE quillfen)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME quillfen-cli)
set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME quillfen)
set(CPACK_PACKAGE_CONTACT "${QUILLFEN_MAINTAINER}")
set(CPACK_PACKAGE_VENDOR "Quillfen maintainers")
# Each description's first line is its package's summary: CPack would put one
# shared summary before both.
set(what_it_does [[
Quillfen saves the video of a watch page, of a direct link to a video or
sound file, or of a page that declares its video, over http or https and
through HTTP or SOCKS proxies, and converts it with the FFmpeg libraries:
to MP4, WebM, MP3, Opus, the streams as they are, or VCD, SVCD, DVD,
MPEG 1 and 2, AVI, WMV, QuickTime, RealMedia, iPod, PSP, FLV and 3GP.]])
set(CPACK_DEBIAN_CLI_DESCRIPTION "save online videos in the format you choose - command line
${what_it_does}
.
This package holds quillfen-cli, which runs the job from the command line
and needs no graphical desktop.")
set(CPACK_DEBIAN_WINDOW_DESCRIPTION "save online videos in the format you choose - desktop program
${what_it_does}
.
This package holds the desktop program quillfen, with a built-in browser
and a download queue.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quillfen.example/)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Libraries the programs link come from dpkg-shlibdeps (the X11 and
# offscreen platform plugins ship with libqt6gui6, the browser's data with
# the WebEngine library). OpenSSL is opened by name at run time, so
# dpkg-shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "libssl3, publicsuffix")
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "libssl3, publicsuffix")
# The window reads the command line's data (translations, profiles) and
# must come with the same version of it.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_WINDOW_DEPENDS cli)
# Wayland sessions need Qt's Wayland plugin; the About page and the support
# address are opened through xdg-open.
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")
# Directories in the package are 0755 whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

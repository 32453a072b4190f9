# What the kit installs, and the packages `make package` writes with CPack.
#
# Linux, `cmake --install build [--prefix DIR]` (the GNU install directories):
#   bin/                              tarvik, tarvik-gui, kpxsearch, kpxdump
#   lib/harbour-search-kit/           KPXSearch.so, private to the kit; kpxsearch
#                                     finds it from its own location
#   include/xtra/host/                kpxsearch.h and host_interfaces.h, for host writers
#   share/doc/harbour-search-kit/     README.md, FORMAT.md, lingo.md, copyright, changelog.gz
#   share/man/man1/                   tarvik.1.gz, tarvik-gui.1.gz, kpxsearch.1.gz, kpxdump.1.gz
# and `cpack` (the build tree's `package` target) makes the Debian package.
#
# Windows (a mingw tree): one flat folder, the programs beside KPXSearch.x32,
# with README.txt and lingo.md (CR LF line ends); `cpack` makes the zip and
# `cpack -G NSIS` the installer (NSIS's makensis, which also runs on Linux).
include(GNUInstallDirs)

set(KPX_PACKAGE_NAME harbour-search-kit)
set(KPX_PACKAGE_SUMMARY "offline full-text search kit for the articles of a multimedia title")
set(KPX_PACKAGE_MAINTAINER "Harbour search kit maintainers <maintainers@harbour-search-kit.example>")
set(KPX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KPX_PACKAGE_STAGE ${PROJECT_BINARY_DIR}/packaging)

# Copies a text file with its line ends made CR LF.
function(kpx_copy_with_crlf source destination)
  file(READ ${source} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${destination} "${text}")
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()

# Writes the licence of the Debian copyright file's first License field as a
# plain text (CR LF line ends) for the Windows installer's licence page, so
# both packages carry the one licence text.
function(kpx_write_licence copyright destination)
  file(STRINGS ${copyright} lines)
  set(text)
  set(in_licence FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "^License:")
      if(text)
        break()
      endif()
      set(in_licence TRUE)
    elseif(in_licence AND line MATCHES "^ \\.$")
      string(APPEND text "\r\n")
    elseif(in_licence AND line MATCHES "^ (.*)$")
      string(APPEND text "${CMAKE_MATCH_1}\r\n")
    elseif(in_licence)
      break()
    endif()
  endforeach()
  if(NOT text)
    message(FATAL_ERROR "${copyright} has no License field with a text")
  endif()
  file(WRITE ${destination} "${text}")
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${copyright})
endfunction()

set(KPX_PROGRAMS)
foreach(program tarvik tarvik-gui kpxsearch kpxdump)
  if(TARGET ${program})
    list(APPEND KPX_PROGRAMS ${program})
  endif()
endforeach()

if(WIN32)
  set(KPX_PROGRAM_DIR .)
  set(KPX_PLUGIN_DIR .)
else()
  set(KPX_PROGRAM_DIR ${CMAKE_INSTALL_BINDIR})
  set(KPX_PLUGIN_DIR ${CMAKE_INSTALL_LIBDIR}/${KPX_PACKAGE_NAME})
endif()

if(KPX_PROGRAMS)
  install(TARGETS ${KPX_PROGRAMS} RUNTIME DESTINATION ${KPX_PROGRAM_DIR})
endif()
if(TARGET KPXSearch)
  install(TARGETS KPXSearch LIBRARY DESTINATION ${KPX_PLUGIN_DIR}
                            RUNTIME DESTINATION ${KPX_PLUGIN_DIR})
endif()

# kpxsearch and the desktop forms' search window look for the plug-in at this
# place relative to the program's own directory, so an installed or unpacked
# tree works wherever it lies.
if(TARGET KPXSearch)
  get_target_property(kpx_plugin_suffix KPXSearch SUFFIX)
  if(NOT kpx_plugin_suffix)
    set(kpx_plugin_suffix ${CMAKE_SHARED_MODULE_SUFFIX})
  endif()
  if(WIN32)
    set(kpx_plugin_relative KPXSearch${kpx_plugin_suffix})
  else()
    file(RELATIVE_PATH kpx_plugin_relative ${CMAKE_INSTALL_FULL_BINDIR}
         ${CMAKE_INSTALL_FULL_LIBDIR}/${KPX_PACKAGE_NAME}/KPXSearch${kpx_plugin_suffix})
  endif()
  if(TARGET kpxsearch)
    target_compile_definitions(kpxsearch PRIVATE
                               KPXSEARCH_INSTALLED_PLUGIN="${kpx_plugin_relative}")
  endif()
  foreach(form preproc_wx)
    if(TARGET ${form})
      target_compile_definitions(${form} PRIVATE
                                 TARVIK_GUI_INSTALLED_PLUGIN="${kpx_plugin_relative}")
    endif()
  endforeach()
endif()

if(WIN32)
  kpx_copy_with_crlf(${KPX_PACKAGING_DIR}/windows/README.txt ${KPX_PACKAGE_STAGE}/README.txt)
  kpx_copy_with_crlf(${PROJECT_SOURCE_DIR}/docs/lingo.md ${KPX_PACKAGE_STAGE}/lingo.md)
  install(FILES ${KPX_PACKAGE_STAGE}/README.txt ${KPX_PACKAGE_STAGE}/lingo.md DESTINATION .)
  kpx_write_licence(${KPX_PACKAGING_DIR}/debian/copyright ${KPX_PACKAGE_STAGE}/LICENSE.txt)
else()
  install(FILES xtra/host/kpxsearch.h xtra/host/host_interfaces.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/xtra/host)

  # The package's documents. Debian keeps the changelog and the copyright
  # file beside them; the changelog is compressed as its policy asks.
  configure_file(${KPX_PACKAGING_DIR}/debian/changelog.in ${KPX_PACKAGE_STAGE}/changelog @ONLY)
  execute_process(COMMAND gzip -9 -n -c ${KPX_PACKAGE_STAGE}/changelog
                  OUTPUT_FILE ${KPX_PACKAGE_STAGE}/changelog.gz)
  set(KPX_DOCS_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KPX_PACKAGE_NAME})
  install(FILES README.md indexformat/FORMAT.md docs/lingo.md ${KPX_PACKAGING_DIR}/debian/copyright
                ${KPX_PACKAGE_STAGE}/changelog.gz
          DESTINATION ${KPX_DOCS_DIR})
  install(FILES docs/form.png docs/search-window.png DESTINATION ${KPX_DOCS_DIR}/docs)  # the README's pictures

  # Man pages: from each command's --help and --version (help2man), the
  # desktop form's written by hand. A cross build has none.
  find_program(KPX_HELP2MAN help2man)
  find_program(KPX_GZIP gzip)
  set(KPX_MAN_DIR ${PROJECT_BINARY_DIR}/man)
  set(KPX_MAN_PAGES)
  if(KPX_HELP2MAN AND KPX_GZIP AND NOT CMAKE_CROSSCOMPILING)
    set(kpx_man_name_tarvik "the search kit's pre-processor: index and copy a title's articles")
    set(kpx_man_name_kpxsearch "search an index set through the KPXSearch plug-in, as the host would")
    set(kpx_man_name_kpxdump "print the entries of the search kit's index files")
    set(kpx_man_help_tarvik --help-all)
    foreach(program tarvik kpxsearch kpxdump)
      if(NOT TARGET ${program})
        continue()
      endif()
      set(help_option --help)
      if(kpx_man_help_${program})
        set(help_option ${kpx_man_help_${program}})
      endif()
      set(page ${KPX_MAN_DIR}/${program}.1)
      add_custom_command(
        OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${KPX_MAN_DIR}
        COMMAND ${KPX_HELP2MAN} --no-info --section=1 --help-option=${help_option}
                "--name=${kpx_man_name_${program}}"
                --include=${KPX_PACKAGING_DIR}/man/see-also.h2m
                --output=${page} $<TARGET_FILE:${program}>
        COMMAND ${KPX_GZIP} -9 -n -f ${page}
        DEPENDS ${program} ${KPX_PACKAGING_DIR}/man/see-also.h2m
        COMMENT "Writing the man page ${program}(1)"
        VERBATIM)
      list(APPEND KPX_MAN_PAGES ${page}.gz)
    endforeach()
  endif()
  if(KPX_GZIP AND TARGET tarvik-gui)
    add_custom_command(
      OUTPUT ${KPX_MAN_DIR}/tarvik-gui.1.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KPX_MAN_DIR}
      COMMAND ${KPX_GZIP} -9 -n -c ${KPX_PACKAGING_DIR}/man/tarvik-gui.1 > tarvik-gui.1.gz
      WORKING_DIRECTORY ${KPX_MAN_DIR}
      DEPENDS ${KPX_PACKAGING_DIR}/man/tarvik-gui.1
      COMMENT "Writing the man page tarvik-gui(1)")
    list(APPEND KPX_MAN_PAGES ${KPX_MAN_DIR}/tarvik-gui.1.gz)
  endif()
  if(KPX_MAN_PAGES)
    add_custom_target(kpx_man_pages ALL DEPENDS ${KPX_MAN_PAGES})
    install(FILES ${KPX_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endif()

# CPack: `make package` in a build tree.
set(CPACK_PACKAGE_NAME ${KPX_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Harbour search kit")
set(CPACK_PACKAGE_CONTACT ${KPX_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${KPX_PACKAGE_SUMMARY})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
# The installer's script lines below hold quotes and backslashes.
set(CPACK_VERBATIM_VARIABLES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(kpx_windows win32)
  else()
    set(kpx_windows win64)
  endif()
  set(CPACK_PACKAGE_FILE_NAME ${KPX_PACKAGE_NAME}-${PROJECT_VERSION}-${kpx_windows})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  # The installer: the same flat folder, by default Program Files\Harbour
  # Search Kit, with a Start-menu folder and an entry under installed programs.
  # Its file name and its tree without a top folder are set per generator in
  # cmake/packaging-generators.cmake.
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/packaging-generators.cmake)
  set(kpx_title "Harbour Search Kit")
  set(CPACK_NSIS_EXECUTABLE makensis)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY ${kpx_title})
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ${kpx_title})
  set(CPACK_NSIS_PACKAGE_NAME "${kpx_title} ${PROJECT_VERSION}")
  set(CPACK_NSIS_DISPLAY_NAME "${kpx_title} ${PROJECT_VERSION}")
  set(CPACK_RESOURCE_FILE_LICENSE ${KPX_PACKAGE_STAGE}/LICENSE.txt)
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/preproc/win32/tarvik.ico)
  set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/preproc/win32/tarvik.ico)
  set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
  # Start menu: the desktop form and the README (CPack adds the uninstaller's).
  # The form starts in the Documents folder, where its run log can be written
  # (Program Files is not writable for every user). Both passes of CPack's
  # uninstaller, for the default and for the chosen Start-menu folder, delete
  # every shortcut.
  set(kpx_shortcuts)
  if(TARGET tarvik-gui)
    set(CPACK_NSIS_INSTALLED_ICON_NAME tarvik-gui.exe)
    list(APPEND kpx_shortcuts "TARVIK desktop form" tarvik-gui.exe "$DOCUMENTS")
  endif()
  list(APPEND kpx_shortcuts "Read me" README.txt "$INSTDIR")
  set(CPACK_NSIS_CREATE_ICONS_EXTRA)
  set(CPACK_NSIS_DELETE_ICONS_EXTRA)
  while(kpx_shortcuts)
    list(POP_FRONT kpx_shortcuts name target start_in)
    string(APPEND CPACK_NSIS_CREATE_ICONS_EXTRA "
  SetOutPath \"${start_in}\"
  CreateShortCut \"$SMPROGRAMS\\$STARTMENU_FOLDER\\${name}.lnk\" \"$INSTDIR\\${target}\"")
    string(APPEND CPACK_NSIS_DELETE_ICONS_EXTRA "
  Delete \"$SMPROGRAMS\\$MUI_TEMP\\${name}.lnk\"")
  endwhile()
  string(APPEND CPACK_NSIS_CREATE_ICONS_EXTRA "
  SetOutPath \"$INSTDIR\"")
  set(kpx_uninstall_key "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${kpx_title}")
  set(kpx_vendor_key "Software\\${CPACK_PACKAGE_VENDOR}")
  file(STRINGS ${KPX_PACKAGING_DIR}/debian/copyright kpx_copyright REGEX "^Copyright: " LIMIT_COUNT 1)
  string(REPLACE "Copyright: " "Copyright " kpx_copyright "${kpx_copyright}")
  # The Start-menu folder keeps the kit's name across versions; the uninstaller
  # says what it leaves; the installer's file properties name the kit.
  set(CPACK_NSIS_DEFINES "
  VIProductVersion ${PROJECT_VERSION}.0
  VIAddVersionKey ProductName \"${kpx_title}\"
  VIAddVersionKey ProductVersion ${PROJECT_VERSION}
  VIAddVersionKey FileVersion ${PROJECT_VERSION}
  VIAddVersionKey FileDescription \"${kpx_title} ${PROJECT_VERSION} Setup\"
  VIAddVersionKey CompanyName \"${CPACK_PACKAGE_VENDOR}\"
  VIAddVersionKey LegalCopyright \"${kpx_copyright}\"
  !define MUI_STARTMENUPAGE_DEFAULTFOLDER \"${kpx_title}\"
  !define MUI_UNCONFIRMPAGE_TEXT_TOP \"${kpx_title} ${PROJECT_VERSION} will be removed from the folder below. Files you added to the folder, such as a title's articles and index files, are left, and the folder with them.\"")
  # EstimatedSize: the installed files' size in KiB, which makensis counts.
  # NoModify and NoRepair as the numbers Windows reads (CPack writes strings).
  set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  SectionGetSize 0 $0
  WriteRegDWORD SHCTX \"${kpx_uninstall_key}\" \"EstimatedSize\" $0
  WriteRegDWORD SHCTX \"${kpx_uninstall_key}\" \"NoModify\" 1
  WriteRegDWORD SHCTX \"${kpx_uninstall_key}\" \"NoRepair\" 1")
  # The installer also records its folder under the vendor's key; the key
  # goes, and the vendor's with it when nothing else is left in it.
  set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  DetailPrint \"Files you added to $INSTDIR are left, and the folder with them.\"
  DeleteRegKey SHCTX \"${kpx_vendor_key}\\${kpx_title}\"
  DeleteRegKey /ifempty SHCTX \"${kpx_vendor_key}\"")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KPX_PACKAGE_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION text)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  file(READ ${KPX_PACKAGING_DIR}/debian/description CPACK_DEBIAN_PACKAGE_DESCRIPTION)
  string(STRIP "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${KPX_PACKAGING_DIR}/debian/description ${KPX_PACKAGING_DIR}/debian/changelog.in)
endif()
include(CPack)

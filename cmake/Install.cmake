# Installing the game the way Debian lays out games:
#   games/lanternfall                         the launcher: a relative link to the executable
#   lib/games/lanternfall/lanternfall         the executable (architecture-dependent), and beside it
#   lib/games/lanternfall/{txt,img,bgm.mid}   relative links to the content in
#   share/games/lanternfall/                  the content (architecture-independent)
#   bin/lanternfall-*                         the author tools
# plus the desktop entry, hicolor icons, AppStream metadata and man pages. The game finds its content
# beside its executable with links resolved, so the launcher may be linked or copied anywhere. Every
# link is relative, so the tree works under any --prefix and inside a DESTDIR staging folder.
include(GNUInstallDirs)

set(LANTERNFALL_INSTALL_GAMESDIR "games" CACHE STRING "Launcher folder, under the prefix")
set(LANTERNFALL_INSTALL_PKGDIR "lib/games/lanternfall" CACHE STRING "Executable folder, under the prefix")
set(LANTERNFALL_INSTALL_CONTENTDIR "${CMAKE_INSTALL_DATADIR}/games/lanternfall"
    CACHE STRING "Content folder, under the prefix")
foreach(dir GAMESDIR PKGDIR CONTENTDIR)
  if(IS_ABSOLUTE "${LANTERNFALL_INSTALL_${dir}}")
    message(FATAL_ERROR "LANTERNFALL_INSTALL_${dir} must be relative to the prefix, so that links stay relative")
  endif()
endforeach()

# The relative link from folder `from` to `to`, both under the prefix.
function(lanternfall_relative out from to)
  file(RELATIVE_PATH rel "/prefix/${from}" "/prefix/${to}")
  set(${out} "${rel}" PARENT_SCOPE)
endfunction()

# A symbolic link at install time, under DESTDIR and the install-time prefix.
function(lanternfall_install_link target link)
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${link}\")
    get_filename_component(dir \"\${link}\" DIRECTORY)
    file(MAKE_DIRECTORY \"\${dir}\")
    file(REMOVE \"\${link}\")
    message(STATUS \"Installing: \${link} -> ${target}\")
    file(CREATE_LINK \"${target}\" \"\${link}\" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${link}\")")
endfunction()

install(TARGETS lanternfall DESTINATION ${LANTERNFALL_INSTALL_PKGDIR})
install(DIRECTORY content/txt content/img DESTINATION ${LANTERNFALL_INSTALL_CONTENTDIR})
install(FILES content/bgm.mid DESTINATION ${LANTERNFALL_INSTALL_CONTENTDIR})

lanternfall_relative(to_pkg ${LANTERNFALL_INSTALL_GAMESDIR} ${LANTERNFALL_INSTALL_PKGDIR})
lanternfall_install_link("${to_pkg}/lanternfall" "${LANTERNFALL_INSTALL_GAMESDIR}/lanternfall")
lanternfall_relative(to_content ${LANTERNFALL_INSTALL_PKGDIR} ${LANTERNFALL_INSTALL_CONTENTDIR})
foreach(item txt img bgm.mid)
  lanternfall_install_link("${to_content}/${item}" "${LANTERNFALL_INSTALL_PKGDIR}/${item}")
endforeach()

# The author tools, those that this tree builds.
foreach(tool lanternfall-lint lanternfall-convert lanternfall-preview)
  if(TARGET ${tool})
    install(TARGETS ${tool} DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The desktop.
install(FILES dist/lanternfall.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES dist/io.github.lanternfall.lanternfall.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${PROJECT_BINARY_DIR}/tools/icongen/hicolor/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES dist/man/lanternfall.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
foreach(tool lanternfall-lint lanternfall-convert lanternfall-preview)
  if(TARGET ${tool})
    install(FILES dist/man/${tool}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

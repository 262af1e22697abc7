# Installing the programs (cmake --install) and their Debian packages
# (cpack -G DEB). One package per program, as nothing passes between them at
# run time: "falavox" (falv, its menu entry, icons and AppStream file) and
# "zentrava" (the installer, the disk-set builder and the engine library).
# A program whose target is not built here is left out of the packages.
include(GNUInstallDirs)

set(FZ_MANTENEDOR "Equipe Falavox e Zentrava <equipe@falavox.invalid>"
    CACHE STRING "Mantenedor dos pacotes Debian (nome <endereço>)")
# Until the project publishes a licence (SPDX identifier here and in copyright).
set(FZ_LICENCA "LicenseRef-proprietary")
set(FZ_AUTORES "Equipe Falavox e Zentrava")
# The desktop entry, icon and AppStream identifier of the messenger.
set(FALV_ID "br.com.falavox.Falavox")

set(dist ${PROJECT_SOURCE_DIR}/distribuicao)
set(gerados ${PROJECT_BINARY_DIR}/distribuicao)

# Debian wants the man pages and changelogs compressed with gzip -9n.
function(fz_comprimido entrada saida)
  add_custom_command(OUTPUT ${saida}
                     COMMAND gzip -9nc ${entrada} > ${saida}
                     DEPENDS ${entrada} VERBATIM)
  set_property(GLOBAL APPEND PROPERTY FZ_COMPRIMIDOS ${saida})
endfunction()

# The copyright and changelog every package carries in /usr/share/doc/<pacote>.
function(fz_documentos pacote componente)
  set(PACOTE ${pacote})
  configure_file(${dist}/changelog.in ${gerados}/${pacote}/changelog @ONLY)
  fz_comprimido(${gerados}/${pacote}/changelog ${gerados}/${pacote}/changelog.gz)
  install(FILES ${dist}/copyright ${gerados}/${pacote}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${pacote} COMPONENT ${componente})
endfunction()

function(fz_manual pagina componente)
  fz_comprimido(${dist}/${pagina} ${gerados}/${pagina}.gz)
  install(FILES ${gerados}/${pagina}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT ${componente})
endfunction()

set(componentes falavox)

# ---- falavox ----
install(TARGETS falv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT falavox)
# The folder the program is installed into is the system's: the settings go
# to the user's configuration folder instead (see ArquivoConfiguracao).
target_compile_definitions(falv_core PRIVATE FALV_PASTA_INSTALACAO="${CMAKE_INSTALL_FULL_BINDIR}")
# Wayland finds the window's icon and menu entry through this name.
target_compile_definitions(falv PRIVATE FALV_ID="${FALV_ID}")
configure_file(${dist}/falavox.desktop.in ${gerados}/${FALV_ID}.desktop @ONLY)
configure_file(${dist}/falavox.metainfo.xml.in ${gerados}/${FALV_ID}.metainfo.xml @ONLY)
install(FILES ${gerados}/${FALV_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT falavox)
install(FILES ${gerados}/${FALV_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        COMPONENT falavox)
foreach(tamanho 48 256)
  install(FILES ${PROJECT_SOURCE_DIR}/messenger/recursos/icone-${tamanho}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${tamanho}x${tamanho}/apps
          RENAME ${FALV_ID}.png COMPONENT falavox)
endforeach()
fz_manual(falv.1 falavox)
fz_documentos(falavox falavox)

# ---- zentrava ----
if(TARGET zentrava)
  list(APPEND componentes zentrava)
  # The engine is the installer's own: a private folder, found through the
  # program's RUNPATH. "$ORIGIN" first, for the copy that runs from an
  # installation disk with the engine beside it.
  set(pastaMotor ${CMAKE_INSTALL_LIBDIR}/zentrava)
  file(RELATIVE_PATH motorRelativo ${CMAKE_INSTALL_FULL_BINDIR}
       ${CMAKE_INSTALL_PREFIX}/${pastaMotor})
  install(TARGETS zentunz LIBRARY DESTINATION ${pastaMotor} COMPONENT zentrava)
  foreach(programa zentrava zentrava-gerar)
    if(TARGET ${programa})
      set_target_properties(${programa} PROPERTIES
                            INSTALL_RPATH "$ORIGIN;$ORIGIN/${motorRelativo}")
      install(TARGETS ${programa} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT zentrava)
      if(EXISTS ${dist}/${programa}.1)
        fz_manual(${programa}.1 zentrava)
      endif()
    endif()
  endforeach()
  fz_documentos(zentrava zentrava)
  # Where dpkg-shlibdeps finds the engine while the packages are made.
  get_target_property(motorConstruido zentunz BINARY_DIR)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${motorConstruido})
endif()

# What the packages hold, built alone by scripts/pacotes.sh.
get_property(comprimidos GLOBAL PROPERTY FZ_COMPRIMIDOS)
add_custom_target(fz_instalados ALL DEPENDS ${comprimidos})
foreach(alvo falv zentrava zentrava-gerar)
  if(TARGET ${alvo})
    add_dependencies(fz_instalados ${alvo})
  endif()
endforeach()

# ---- Debian packages ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME falavox-zentrava)
set(CPACK_PACKAGE_VENDOR "${FZ_AUTORES}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${FZ_MANTENEDOR}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_COMPONENTS_ALL ${componentes})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FALAVOX_PACKAGE_NAME falavox)
set(CPACK_DEBIAN_FALAVOX_PACKAGE_SECTION net)
set(CPACK_DEBIAN_FALAVOX_DESCRIPTION
"LAN messenger with no server (mensageiro da rede local)
Falavox lets the people of a local network exchange short text messages
through a folder on a shared drive (SMB or NFS): no server and no network
protocol of its own. Every station polls the room's folder once a second,
shows who enters and leaves, and delivers each message to one person or to
everybody in the room. Messages can be saved to a text file or printed.
The program speaks Brazilian Portuguese.

O Falavox permite que as pessoas de uma rede local troquem mensagens curtas
por uma pasta numa unidade compartilhada (SMB ou NFS), sem servidor e sem
protocolo de rede próprio. Cada estação consulta a pasta da sala uma vez por
segundo, mostra quem entra e quem sai e entrega cada mensagem a uma pessoa ou
a todos da sala. As mensagens podem ser salvas num arquivo de texto ou
impressas.")

set(CPACK_DEBIAN_ZENTRAVA_PACKAGE_NAME zentrava)
set(CPACK_DEBIAN_ZENTRAVA_PACKAGE_SECTION admin)
# zentrava-gerar strips disk 1's programs with strip and makes self-contained
# sets with patchelf; without them it still builds plain sets.
set(CPACK_DEBIAN_ZENTRAVA_PACKAGE_RECOMMENDS "binutils, patchelf")
set(CPACK_DEBIAN_ZENTRAVA_DESCRIPTION
"installer of applications from installation disks (instalador)
Zentrava 8 installs one application from one or more installation disks as
its command file zentrava.cmd describes: it copies the files of the disks,
joining files split across them, extracts zip archives, edits INI files,
starts programs, writes an uninstall log and adds a program group to the
desktop's application menu. Started with /X it uninstalls. The package also
holds zentrava-gerar, which builds disk sets, and the extraction engine.

O Zentrava 8 instala um aplicativo a partir de um ou mais discos de
instalação, como manda o arquivo de comandos zentrava.cmd: copia os arquivos
dos discos, juntando os divididos entre eles, extrai arquivos zip, altera
arquivos INI, executa programas, grava o registro de desinstalação e cria um
grupo de programas no menu de aplicativos. Com /X, desinstala. O pacote traz
também o zentrava-gerar, que monta os conjuntos de discos, e o motor de
extração.")

include(CPack)

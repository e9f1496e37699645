# What `cmake --install` puts under the prefix: the programs in bin/, the desktop entry, the
# AppStream metainfo, the program's icon in the hicolor theme, the manual pages and the bash
# completion of kova-cli. The component "documentation" holds the manual pages and the completion,
# "desktop" the desktop entry, the metainfo and the icons; the programs are installed where they
# are built (src/cli, src/app/gui).
include(GNUInstallDirs)

# The release the metainfo and the manual pages name; change it with the project's version.
set(KOVA_RELEASE_DATE "2026-12-09")

set(kova_resources "${PROJECT_SOURCE_DIR}/resources")
set(kova_generated "${PROJECT_BINARY_DIR}/generated/install")

configure_file("${kova_resources}/man/kova-cli.1.in" "${kova_generated}/kova-cli.1" @ONLY)
install(FILES "${kova_generated}/kova-cli.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1"
        COMPONENT documentation)
install(FILES "${kova_resources}/bash-completion/kova-cli"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions" COMPONENT documentation)

if(KOVA_BUILD_GUI)
  configure_file("${kova_resources}/man/kova.1.in" "${kova_generated}/kova.1" @ONLY)
  install(FILES "${kova_generated}/kova.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1"
          COMPONENT documentation)
  install(FILES "${kova_resources}/desktop/${KOVA_APP_ID}.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications" COMPONENT desktop)
  configure_file("${kova_resources}/desktop/${KOVA_APP_ID}.metainfo.xml.in"
                 "${kova_generated}/${KOVA_APP_ID}.metainfo.xml" @ONLY)
  install(FILES "${kova_generated}/${KOVA_APP_ID}.metainfo.xml"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo" COMPONENT desktop)

  # The icon theme's pictures are rendered from the skin's SVG artwork at build time; the tool
  # knows the sizes.
  set(icon_folder "${PROJECT_BINARY_DIR}/desktop-icons")
  set(icon_theme "${icon_folder}/hicolor")
  file(GLOB icon_sources CONFIGURE_DEPENDS "${kova_resources}/skin/app_*.svg")
  add_custom_command(
    OUTPUT "${icon_folder}/rendered.stamp"
    COMMAND "${CMAKE_COMMAND}" -E rm -rf "${icon_theme}"
    COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:kova-skinrender>
            --desktop-icons "${icon_theme}" --icon-name "${KOVA_APP_ID}"
    COMMAND "${CMAKE_COMMAND}" -E touch "${icon_folder}/rendered.stamp"
    DEPENDS kova-skinrender "${kova_resources}/skin/pictures.tsv" ${icon_sources}
    COMMENT "Rendering the program's icon for the desktop's icon theme"
    VERBATIM)
  add_custom_target(kova_desktop_icons ALL DEPENDS "${icon_folder}/rendered.stamp")
  install(DIRECTORY "${icon_theme}" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons"
          COMPONENT desktop)
endif()

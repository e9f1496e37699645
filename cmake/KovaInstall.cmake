# What `cmake --install` puts under the prefix: the programs in bin/, the desktop entry, the
# AppStream metainfo, the program's icon in the hicolor theme, the manual pages (compressed, as
# Debian keeps them), the bash completion of kova-cli, and the package's copyright file and
# changelog. The component "documentation" holds the manual pages, the completion, the copyright
# file and the changelog, "desktop" the desktop entry, the metainfo and the icons; the programs are
# installed where they are built (src/cli, src/app/gui).
include(GNUInstallDirs)

# The release the metainfo, the manual pages and the changelog name; change it with the project's
# version.
set(KOVA_RELEASE_DATE "2026-12-09")
# The changelog's date line: noon of the release day, UTC.
execute_process(COMMAND date -u -R -d "${KOVA_RELEASE_DATE} 12:00:00 UTC"
                OUTPUT_VARIABLE KOVA_RELEASE_STAMP OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)

set(kova_resources "${PROJECT_SOURCE_DIR}/resources")
set(kova_generated "${PROJECT_BINARY_DIR}/generated/install")
set(kova_docdir "${CMAKE_INSTALL_DATADIR}/doc/velmora-kova")

# Configures a template (or copies a file) into `output`.gz, compressed at the highest level
# without a name or a time stamp, so that the same sources give the same bytes.
function(kova_compressed_file source output)
  configure_file("${source}" "${output}" @ONLY)
  execute_process(COMMAND gzip -9 -n -c "${output}" OUTPUT_FILE "${output}.gz"
                  COMMAND_ERROR_IS_FATAL ANY)
endfunction()

kova_compressed_file("${kova_resources}/man/kova-cli.1.in" "${kova_generated}/kova-cli.1")
install(FILES "${kova_generated}/kova-cli.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1"
        COMPONENT documentation)
kova_compressed_file("${kova_resources}/package/changelog.in" "${kova_generated}/changelog")
install(FILES "${kova_resources}/package/copyright" "${kova_generated}/changelog.gz"
        DESTINATION "${kova_docdir}" COMPONENT documentation)
install(FILES "${kova_resources}/bash-completion/kova-cli"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions" COMPONENT documentation)

if(KOVA_BUILD_GUI)
  kova_compressed_file("${kova_resources}/man/kova.1.in" "${kova_generated}/kova.1")
  install(FILES "${kova_generated}/kova.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1"
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

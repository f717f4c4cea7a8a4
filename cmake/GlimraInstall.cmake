# `cmake --install build --prefix P` lays out a Linux desktop program:
#   P/lib/glimra/           the bundle folder, the unit the updater replaces: bundle.json
#                           beside bin/glimra (stripped), the licence, and update-keys
#                           when GLIMRA_UPDATE_KEY names them
#   P/bin/glimra            a relative link to ../lib/glimra/bin/glimra
#   P/share/applications/glimra.desktop, P/share/icons/hicolor/…/glimra.{svg,png},
#   P/share/metainfo/<bundle id>.metainfo.xml
# The executable's debug file stays in the build folder (glimra.debug) for crash reports.
# A copy run from the build folder has no bundle.json beside it, so it keeps its
# compiled-in identity.
set(glimra_bundle_dir lib/glimra)
set(glimra_icon_sizes 48 128 256)

configure_file(cmake/bundle.json.in ${CMAKE_CURRENT_BINARY_DIR}/bundle/bundle.json @ONLY)
configure_file(resources/linux/metainfo.xml.in ${CMAKE_CURRENT_BINARY_DIR}/linux/${GLIMRA_BUNDLE_ID}.metainfo.xml
               @ONLY)

set(glimra_icon_pngs)
foreach(size IN LISTS glimra_icon_sizes)
  list(APPEND glimra_icon_pngs ${CMAKE_CURRENT_BINARY_DIR}/icons/glimra-${size}.png)
endforeach()
add_custom_command(OUTPUT ${glimra_icon_pngs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons
  COMMAND glimra_icon_png ${PROJECT_SOURCE_DIR}/resources/linux/glimra.svg ${CMAKE_CURRENT_BINARY_DIR}/icons
          ${glimra_icon_sizes}
  DEPENDS glimra_icon_png ${PROJECT_SOURCE_DIR}/resources/linux/glimra.svg
  COMMENT "Rendering the application icon")
add_custom_target(glimra_icons ALL DEPENDS ${glimra_icon_pngs})

# The Ed25519 public keys (PEM) an installed copy trusts: it replaces itself with a package
# signed by one of them. Without them the copy is ad hoc and only opens a package.
set(GLIMRA_UPDATE_KEY "" CACHE FILEPATH "Ed25519 public keys (PEM) that installed copies trust for updates")
if(GLIMRA_UPDATE_KEY)
  file(READ "${GLIMRA_UPDATE_KEY}" glimra_update_keys)
  if(NOT glimra_update_keys MATCHES "-----BEGIN PUBLIC KEY-----" OR glimra_update_keys MATCHES "PRIVATE KEY")
    message(FATAL_ERROR "GLIMRA_UPDATE_KEY=${GLIMRA_UPDATE_KEY} must hold public keys in PEM "
                        "(openssl pkey -in KEY.pem -pubout -out FILE), never a private key")
  endif()
  install(FILES "${GLIMRA_UPDATE_KEY}" DESTINATION ${glimra_bundle_dir} RENAME update-keys)
endif()

install(TARGETS glimra RUNTIME DESTINATION ${glimra_bundle_dir}/bin)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/bundle/bundle.json LICENSE DESTINATION ${glimra_bundle_dir})
install(CODE "
  set(glimra_built \"$<TARGET_FILE:glimra>\")
  set(glimra_debug \"${CMAKE_CURRENT_BINARY_DIR}/glimra.debug\")
  set(glimra_objcopy \"${CMAKE_OBJCOPY}\")
  set(glimra_bundle_dir \"${glimra_bundle_dir}\")
  set(glimra_desktop_template \"${PROJECT_SOURCE_DIR}/resources/linux/glimra.desktop.in\")")
install(SCRIPT cmake/InstallStripped.cmake)
install(SCRIPT cmake/InstallLauncher.cmake)
install(FILES resources/linux/glimra.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size IN LISTS glimra_icon_sizes)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/icons/glimra-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME glimra.png)
endforeach()
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/linux/${GLIMRA_BUNDLE_ID}.metainfo.xml DESTINATION share/metainfo)

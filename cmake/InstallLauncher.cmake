# Install step: what starts the bundle's executable. PREFIX/bin/glimra is a relative link
# into the bundle, and the desktop entry's Exec names that link by its absolute path (a
# prefix such as ~/.local/bin need not be on the desktop session's PATH).
set(prefix "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${prefix}/bin")
file(REMOVE "${prefix}/bin/glimra")
message(STATUS "Installing: ${prefix}/bin/glimra")
file(CREATE_LINK "../${glimra_bundle_dir}/bin/glimra" "${prefix}/bin/glimra" SYMBOLIC)

# Exec quoting of the desktop entry format: in double quotes when a reserved character
# appears, with ", `, $ and \ escaped; then the value's own escapes (\\ and %%).
set(GLIMRA_EXEC "${CMAKE_INSTALL_PREFIX}/bin/glimra")
if(GLIMRA_EXEC MATCHES "[\n\r]")
  message(FATAL_ERROR "A desktop entry cannot name a program under '${CMAKE_INSTALL_PREFIX}'")
endif()
if(GLIMRA_EXEC MATCHES "[ \t\"'\\\\><~|&;$*?#()`]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" GLIMRA_EXEC "${GLIMRA_EXEC}")
  set(GLIMRA_EXEC "\"${GLIMRA_EXEC}\"")
endif()
string(REPLACE "\\" "\\\\" GLIMRA_EXEC "${GLIMRA_EXEC}")
string(REPLACE "%" "%%" GLIMRA_EXEC "${GLIMRA_EXEC}")
file(READ "${glimra_desktop_template}" entry)
string(CONFIGURE "${entry}" entry @ONLY)
message(STATUS "Installing: ${prefix}/share/applications/glimra.desktop")
file(WRITE "${prefix}/share/applications/glimra.desktop" "${entry}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${prefix}/bin/glimra" "${prefix}/share/applications/glimra.desktop")

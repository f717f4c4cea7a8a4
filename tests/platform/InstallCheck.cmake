# Installs the build into a fresh bundle folder and checks that the copy there takes its
# identity from the bundle.json beside its bin folder, while the build tree's keeps the
# compiled-in one. Run by ctest: cmake -DBUILD_DIR=... -DWORK_DIR=... -P InstallCheck.cmake
set(bundle ${WORK_DIR}/Glimra.app)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${bundle}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
if(NOT EXISTS ${bundle}/bin/glimra OR IS_DIRECTORY ${bundle}/bin/glimra)
  message(FATAL_ERROR "no bin/glimra in the installed bundle")
endif()
file(READ ${bundle}/bundle.json text)
foreach(key identifier version build executable)
  string(JSON ${key} GET "${text}" ${key})
endforeach()
if(NOT executable STREQUAL "bin/glimra")
  message(FATAL_ERROR "bundle.json names the executable '${executable}'")
endif()

execute_process(COMMAND ${BUILD_DIR}/glimra --version OUTPUT_VARIABLE built OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT built STREQUAL "Glimra ${version} (build ${build}) ${identifier}")
  message(FATAL_ERROR "the build tree's copy says '${built}'")
endif()

# Values the compiled-in ones cannot be: the installed copy must read them from the file.
string(JSON text SET "${text}" version "\"9.8.7\"")
string(JSON text SET "${text}" build "\"4242\"")
file(WRITE ${bundle}/bundle.json "${text}")
execute_process(COMMAND ${bundle}/bin/glimra --version OUTPUT_VARIABLE installed OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT installed STREQUAL "Glimra 9.8.7 (build 4242) ${identifier}")
  message(FATAL_ERROR "the installed copy says '${installed}'")
endif()
file(REMOVE_RECURSE ${WORK_DIR})

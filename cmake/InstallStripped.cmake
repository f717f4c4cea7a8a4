# Install step: the installed executable without symbols or debug sections, linked to its
# debug file, which is kept in the build folder (refreshed when the build is newer) so
# that addresses in crash reports can be resolved there.
set(installed "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${glimra_bundle_dir}/bin/glimra")
if(NOT EXISTS "${glimra_debug}" OR "${glimra_built}" IS_NEWER_THAN "${glimra_debug}")
  execute_process(COMMAND "${glimra_objcopy}" --only-keep-debug "${glimra_built}" "${glimra_debug}"
                  COMMAND_ERROR_IS_FATAL ANY)
endif()
# From the build's copy, so that installing again never meets a link added before.
message(STATUS "Stripping: ${installed}")
execute_process(COMMAND "${glimra_objcopy}" --strip-all "--add-gnu-debuglink=${glimra_debug}" "${glimra_built}"
                        "${installed}"
                COMMAND_ERROR_IS_FATAL ANY)

# Runs benchmarks that keep settings, a log and Qt's runtime folder, as a user would run
# them: no XDG folder set, a home and a temporary folder of their own. Afterwards both
# must be as empty as before.
#   cmake -DBENCH=glimra_bench -DWORK=DIR -P HomeUntouchedCheck.cmake
set(home "${WORK}/home")
set(temporary "${WORK}/tmp")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${home}" "${temporary}")
execute_process(
  COMMAND env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u XDG_STATE_HOME -u XDG_RUNTIME_DIR
          "HOME=${home}" "TMPDIR=${temporary}" "${BENCH}"
          "--benchmark_filter=^(BM_CursorProbe|BM_RestoreTick8|BM_X11MirrorFrame|BM_X11WindowList)(/|$)"
          --benchmark_min_time=0.01
  RESULT_VARIABLE status
  OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the benchmarks failed: ${status}")
endif()
file(GLOB_RECURSE left LIST_DIRECTORIES true "${home}/*" "${temporary}/*")
file(REMOVE_RECURSE "${WORK}")
if(left)
  message(FATAL_ERROR "the benchmarks left behind: ${left}")
endif()

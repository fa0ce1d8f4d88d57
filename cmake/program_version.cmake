# The program's version and the commit it is built from, for the version information,
# the log's header and the link's time stamp.
#
# Included by CMakeLists.txt, it adds the target program_version, which runs this file
# again as a script at every build: a new commit is picked up without a re-configure,
# and the files below are rewritten only when their contents change, so a build of an
# unchanged commit recompiles nothing. It writes into PROGRAM_VERSION_DIR:
#   program_version.h   PROGRAM_VERSION_NUMBERS (1, 0, 0, 0), PROGRAM_VERSION ("1.0.0.0")
#                       and PROGRAM_BUILD ("1.0.0.0, commit 0123456789ab"), for setup.rc
#                       and the C++ alike;
#   setup.manifest      resources/setup.manifest.in with the version (at configure time);
#   time_stamp          the seconds the linker writes into the PE header: SOURCE_DATE_EPOCH
#                       when set, else the commit's time, never the clock.
# A tree with uncommitted changes to tracked files gives "commit 0123456789ab+changes";
# outside a git checkout "commit unknown (not built from a git checkout)" and time 0.

if(NOT CMAKE_SCRIPT_MODE_FILE)
  set(PROGRAM_VERSION_DIR ${CMAKE_BINARY_DIR}/generated)
  add_custom_target(program_version
    COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
            -DOUTPUT_DIR=${PROGRAM_VERSION_DIR} -P ${CMAKE_CURRENT_LIST_FILE}
    BYPRODUCTS ${PROGRAM_VERSION_DIR}/program_version.h ${PROGRAM_VERSION_DIR}/time_stamp
    COMMENT "Program version and commit"
    VERBATIM)
  # The manifest's assembly version too; windres finds it on the include path.
  configure_file(${CMAKE_SOURCE_DIR}/resources/setup.manifest.in
                 ${PROGRAM_VERSION_DIR}/setup.manifest @ONLY)
  # Once at configure time too, so that the files exist before the first build.
  execute_process(COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION}
    -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DOUTPUT_DIR=${PROGRAM_VERSION_DIR}
    -P ${CMAKE_CURRENT_LIST_FILE} COMMAND_ERROR_IS_FATAL ANY)
  return()
endif()

function(git output)
  execute_process(COMMAND git -C ${SOURCE_DIR} ${ARGN} OUTPUT_VARIABLE text
                  RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(failed)
    set(text "")
  endif()
  set(${output} "${text}" PARENT_SCOPE)
endfunction()

# Only a checkout whose top is this source folder counts: a source tarball unpacked
# inside some other repository must not take that repository's commit.
git(top rev-parse --show-toplevel)
file(REAL_PATH "${SOURCE_DIR}" source)
if(top)
  file(REAL_PATH "${top}" top)
endif()
if(top STREQUAL source)
  git(hash rev-parse --short=12 HEAD)
  git(time log -1 --format=%ct HEAD)
endif()
if(hash)
  git(changes status --porcelain --untracked-files=no)
  set(commit "commit ${hash}")
  if(changes)
    string(APPEND commit "+changes")
  endif()
else()
  set(commit "commit unknown (not built from a git checkout)")
  set(time 0)
endif()
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(time "$ENV{SOURCE_DATE_EPOCH}")
endif()

string(REPLACE "." ", " numbers "${VERSION}")
file(CONFIGURE OUTPUT ${OUTPUT_DIR}/program_version.h CONTENT
"// Written by cmake/program_version.cmake at every build.
#define PROGRAM_VERSION_NUMBERS ${numbers}
#define PROGRAM_VERSION \"${VERSION}\"
#define PROGRAM_BUILD \"${VERSION}, ${commit}\"
")
file(CONFIGURE OUTPUT ${OUTPUT_DIR}/time_stamp CONTENT "${time}\n")

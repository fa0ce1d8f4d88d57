# setup.exe: the portable core, the Win32 layer and the resources, linked into one small
# static 32-bit GUI program that runs from Windows 2000 SP4 on.
enable_language(RC)

# Nothing in the program throws, catches or asks for a type at run time: without
# exceptions, unwind tables and RTTI the program carries no unwinding data and links none
# of the library's exception support (see platform/win32/runtime_replacements.cpp).
# GCC 12's link-time optimisation crashes (internal compiler error in binds_to_current_def_p)
# on this program when it splits it into partitions; one partition costs a program this
# small nothing, not even a byte. For size: -Oz; no inlining before the program is seen
# whole, nor of a function only for being called once; the stack kept at the 4-byte
# alignment 32-bit Windows itself keeps (measured: 6 KiB less than -Os alone, whose
# inlining of the run's steps into one another grew the program); a switch as code rather
# than as a table of values or of addresses (each address also needs a relocation), no
# partial inlining and no shrink-wrapping (1 KiB less).
set(SIZE_OPTIONS -Oz -fno-early-inlining -fno-inline-functions-called-once
  -fno-tree-switch-conversion -fno-jump-tables -fno-partial-inlining -fno-shrink-wrap
  -mpreferred-stack-boundary=2 -fipa-pta -ffunction-sections -fdata-sections
  -flto-partition=one -fno-exceptions -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-rtti)

# Windows 2000 headers for everything in this build, the core included, so that nothing
# newer is called by accident; newer functions are looked up at run time.
target_compile_definitions(setup_core PUBLIC
  _WIN32_WINNT=0x0500 WINVER=0x0500 UNICODE _UNICODE)
# A release or a development build, known when compiled (install/pins.h).
if(SETUP_PINS)
  target_compile_definitions(setup_core PUBLIC SETUP_PINNED=1)
else()
  target_compile_definitions(setup_core PUBLIC SETUP_PINNED=0)
endif()
target_compile_options(setup_core PRIVATE ${SIZE_OPTIONS})

# The seam's real implementation, shared by the program and its Wine test.
add_library(setup_win32 STATIC
  platform/win32/certificates.cpp
  platform/win32/signatures.cpp
  platform/win32/desktop.cpp
  platform/win32/files.cpp
  platform/win32/folder_security.cpp
  platform/win32/installer.cpp
  platform/win32/processes.cpp
  platform/win32/progress_thread.cpp
  platform/win32/registry.cpp
  platform/win32/selection_dialog.cpp
  platform/win32/system.cpp
  platform/win32/system_library.cpp
)
target_link_libraries(setup_win32 PUBLIC setup_core)
target_compile_options(setup_win32 PRIVATE ${SIZE_OPTIONS})

# windres reads the narrow UTF-8 literals of setup.rc and the message list right only
# under code page 65001.
set(SETUP_RESOURCES ${CMAKE_SOURCE_DIR}/resources/setup.rc)
set_source_files_properties(${SETUP_RESOURCES} PROPERTIES
  COMPILE_OPTIONS "--codepage=65001"
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/messages.inc;${PROGRAM_VERSION_DIR}/setup.manifest;${CMAKE_SOURCE_DIR}/resources/setup.ico;${PROGRAM_VERSION_DIR}/program_version.h")

# No runtime DLL beside the program: libgcc, libstdc++ and winpthread are linked in.
set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

add_executable(setup WIN32
  app/win_main.cpp
  platform/win32/runtime_replacements.cpp
  ${SETUP_RESOURCES}
)
target_link_libraries(setup PRIVATE setup_win32)
target_include_directories(setup PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_compile_options(setup PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-municode ${SIZE_OPTIONS}>)
# The size options again at the link, where link-time optimisation generates the code
# whatever the build type; the linker map (setup.map in the build tree) shows what is in.
# Terminal-server aware: on a Remote Desktop host Windows then gives the program the
# machine's Windows folder and registry, not a per-user copy.
# Laid out by cmake/setup.ld, with fewer sections than the linker's default.
target_link_options(setup PRIVATE -municode -mwindows ${STATIC_RUNTIME} ${SIZE_OPTIONS} -s
  -Wl,--gc-sections -Wl,--tsaware -Wl,-T,${CMAKE_SOURCE_DIR}/cmake/setup.ld
  -Wl,-Map,${CMAKE_BINARY_DIR}/setup.map)
# Same commit, same bytes, wherever the checkout lies: the header's time stamp is the
# commit's (cmake/link-at-time-stamp.sh), and no path of the source or build folder may
# reach the program (nothing expands __FILE__ today; the map keeps it so).
set_target_properties(setup PROPERTIES
  CXX_LINKER_LAUNCHER "sh;${CMAKE_SOURCE_DIR}/cmake/link-at-time-stamp.sh;${PROGRAM_VERSION_DIR}/time_stamp"
  LINK_DEPENDS "${PROGRAM_VERSION_DIR}/time_stamp;${CMAKE_SOURCE_DIR}/cmake/setup.ld")
foreach(target setup_core setup_win32 setup)
  target_compile_options(${target} PRIVATE -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
endforeach()
# Archives without dates or owners, whatever the archiver's own default.
set(CMAKE_CXX_ARCHIVE_CREATE_IPO "\"${CMAKE_CXX_COMPILER_AR}\" crD <TARGET> <LINK_FLAGS> <OBJECTS>")
set(CMAKE_CXX_ARCHIVE_APPEND_IPO "\"${CMAKE_CXX_COMPILER_AR}\" rD <TARGET> <LINK_FLAGS> <OBJECTS>")
set(CMAKE_CXX_ARCHIVE_FINISH_IPO "\"${CMAKE_CXX_COMPILER_RANLIB}\" -D <TARGET>")
# The program lands in build/windows whatever the build tree is, a release's (built with
# its pins) in its own tree; $<1:...> keeps multi-configuration generators from adding a
# folder per configuration.
set(SETUP_OUTPUT_DIR ${CMAKE_SOURCE_DIR}/build/windows)
if(SETUP_PINS)
  set(SETUP_OUTPUT_DIR ${CMAKE_BINARY_DIR})
endif()
set_target_properties(setup PROPERTIES
  OUTPUT_NAME setup
  RUNTIME_OUTPUT_DIRECTORY $<1:${SETUP_OUTPUT_DIR}>)

# The Win32 layer against the real platform, run under Wine by
# tests/wine/suites.py (layer, dialog); not part of the default build.
add_executable(win32_layer_test EXCLUDE_FROM_ALL
  platform/win32/tests/win32_layer_test.cpp
  ${SETUP_RESOURCES}
)
target_link_libraries(win32_layer_test PRIVATE setup_win32)
target_include_directories(win32_layer_test PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_link_options(win32_layer_test PRIVATE -municode ${STATIC_RUNTIME})

# Link-time optimisation across the core, the Win32 layer and the program drops what is
# never called and inlines what is called once; CMake archives the libraries with gcc-ar
# so that the linker sees through them.
set_property(TARGET setup_core setup_win32 setup win32_layer_test
  PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)

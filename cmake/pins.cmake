# The pins a release carries: SETUP_PINS names the file tools/sign-release.sh wrote (empty:
# a development build, with none). Written at configure time into
# ${PROGRAM_VERSION_DIR}/built_in_pins.cpp, the same text from the same file wherever and
# whenever it is built; a change to the file configures again. Its lines:
#   signer NAME            the publisher as the log shows it
#   subject HEX            its subject name, encoded
#   root HEX               the root certificate, encoded
#   SHA256  NAME           as sha256sum writes it: a file from the distribution folder
# anything else is for people only.
set(SETUP_PINS "" CACHE FILEPATH "The pins file of a release (tools/sign-release.sh); empty: none")

set(pins_text "// Written by cmake/pins.cmake from SETUP_PINS.\n#include \"install/pins.h\"\n\n")
string(APPEND pins_text "namespace setup {\n\nconst Pins& BuiltInPins() {\n")
if(SETUP_PINS)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${SETUP_PINS})
  # Hexadecimal as a literal of its bytes, with its length: encoded names hold NULs.
  function(pinned_bytes hex output)
    string(LENGTH "${hex}" length)
    math(EXPR length "${length} / 2")
    string(REGEX REPLACE "(..)" "\\\\x\\1" bytes "${hex}")
    set(${output} "{\"${bytes}\", ${length}}" PARENT_SCOPE)
  endfunction()
  set(signer "")
  set(subject "")
  set(root "")
  set(files "")
  file(STRINGS ${SETUP_PINS} lines ENCODING UTF-8)
  foreach(line IN LISTS lines)
    if(line MATCHES "^signer (.+)$")
      string(REGEX REPLACE "([\\\\\"])" "\\\\\\1" signer "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^subject ([0-9a-f]+)$")
      pinned_bytes(${CMAKE_MATCH_1} subject)
    elseif(line MATCHES "^root ([0-9a-f]+)$")
      pinned_bytes(${CMAKE_MATCH_1} root)
    elseif(line MATCHES "^([0-9a-f][0-9a-f][0-9a-f][0-9a-f]+)  (.+)$")
      pinned_bytes(${CMAKE_MATCH_1} digest)
      # A package is known by its digest alone: only the start folder's own files by name.
      set(name "${CMAKE_MATCH_2}")
      if(name MATCHES "/")
        set(name "")
      endif()
      string(APPEND files "      {u\"${name}\", ${digest}},\n")
    endif()
  endforeach()
  if(NOT subject OR NOT root OR NOT files)
    message(FATAL_ERROR "${SETUP_PINS}: no subject, root or file: not a pins file")
  endif()
  string(APPEND pins_text "  static constexpr PinnedFile kFiles[] = {\n${files}  };\n"
         "  static constexpr Pins kPins{u\"${signer}\", ${subject}, ${root}, kFiles};\n")
else()
  string(APPEND pins_text "  static constexpr Pins kPins{};\n")
endif()
string(APPEND pins_text "  return kPins;\n}\n\n}  // namespace setup\n")
# Rewritten only when it changes: the same pins recompile nothing.
file(WRITE ${PROGRAM_VERSION_DIR}/built_in_pins.cpp.new "${pins_text}")
file(COPY_FILE ${PROGRAM_VERSION_DIR}/built_in_pins.cpp.new ${PROGRAM_VERSION_DIR}/built_in_pins.cpp
     ONLY_IF_DIFFERENT)

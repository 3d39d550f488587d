# Stand-in FFmpeg libraries for the loader's tests, generated from the same entry lists that
# declare the loader's tables, so they keep up as the tables grow.
#
# vx_add_standin(target lib major_delta minor folder [OMIT_LAST])
#   Builds <folder>/lib<lib>.so.<major>: every entry of include/vexlo/ff/<lib>.inc as an empty
#   function, the version function returning (major + major_delta).minor.0; with OMIT_LAST
#   the last entry is left out. Sets VX_STANDIN_LAST_<lib> to the name of that last entry.
function(vx_add_standin target lib major_delta minor folder)
  cmake_parse_arguments(S "OMIT_LAST" "" "" ${ARGN})
  set(list_file ${PROJECT_SOURCE_DIR}/include/vexlo/ff/${lib}.inc)
  file(STRINGS ${list_file} lines REGEX "^VX_FF_ENTRY\\(")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^VX_FF_ENTRY\\(([A-Za-z0-9_]+)\\).*" "\\1" name "${line}")
    list(APPEND names ${name})
  endforeach()
  list(GET names 0 version_func)
  list(GET names -1 last)
  set(VX_STANDIN_LAST_${lib} ${last} PARENT_SCOPE)

  string(TOUPPER ${lib} LIB)
  set(header ${FFMPEG_HEADERS_INCLUDE_DIRS})
  find_file(major_header version_major.h PATHS /usr/include/x86_64-linux-gnu/lib${lib} /usr/include/lib${lib}
            NO_CACHE NO_DEFAULT_PATH)
  file(STRINGS ${major_header} def REGEX "#define LIB${LIB}_VERSION_MAJOR")
  string(REGEX REPLACE ".*MAJOR[ \t]+([0-9]+).*" "\\1" major "${def}")
  math(EXPR shown_major "${major} + ${major_delta}")

  set(src "/* Generated stand-in for lib${lib}. */\n")
  foreach(name IN LISTS names)
    if(name STREQUAL version_func)
      string(APPEND src "unsigned ${name}(void) { return (${shown_major}u << 16) | (${minor}u << 8); }\n")
    elseif(S_OMIT_LAST AND name STREQUAL last)
      continue()
    else()
      string(APPEND src "void ${name}(void) {}\n")
    endif()
  endforeach()
  set(c_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.c)
  file(GENERATE OUTPUT ${c_file} CONTENT "${src}")
  add_library(${target} MODULE ${c_file})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME lib${lib} SUFFIX ".so.${major}"
    LIBRARY_OUTPUT_DIRECTORY ${folder})
endfunction()

# Warning and sanitizer settings shared by every target of the project.
add_library(vx_flags INTERFACE)
target_compile_options(vx_flags INTERFACE
  -Wall -Wextra -Wshadow=local -Wno-missing-field-initializers
  -Werror=deprecated-declarations
  $<$<BOOL:${VX_WERROR}>:-Werror>)
if(VX_SANITIZE)
  target_compile_options(vx_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  target_link_options(vx_flags INTERFACE -fsanitize=address,undefined)
  # Libraries opened at run time stay mapped so that leak reports can name their frames.
  target_compile_definitions(vx_flags INTERFACE VX_SANITIZE_BUILD=1)
endif()

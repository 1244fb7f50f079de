# Warning and sanitizer flags for every target of the project (not for parents
# that include quex with add_subdirectory).
add_library(quex_build_flags INTERFACE)
target_compile_options(quex_build_flags INTERFACE -Wall -Wextra $<$<BOOL:${QUEX_WERROR}>:-Werror>)
if(QUEX_SANITIZE)
  target_compile_options(quex_build_flags INTERFACE -fsanitize=${QUEX_SANITIZE}
                         -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(quex_build_flags INTERFACE -fsanitize=${QUEX_SANITIZE})
endif()

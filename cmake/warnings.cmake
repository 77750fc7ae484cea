# Warnings for every target of ours, per compiler: link qz_warnings.
add_library(qz_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(qz_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    $<$<BOOL:${QZ_WARNINGS_AS_ERRORS}>:-Werror>)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports std::string concatenation as overlapping memcpy at -O2
    # (GCC bug 105329), a false positive.
    target_compile_options(qz_warnings INTERFACE -Wno-restrict)
  endif()
elseif(MSVC)
  target_compile_options(qz_warnings INTERFACE /W4 $<$<BOOL:${QZ_WARNINGS_AS_ERRORS}>:/WX>)
endif()

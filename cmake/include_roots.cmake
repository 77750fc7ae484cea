# Include roots. Each library sees only the folders it may include: a folder
# of the source tree is linked into a root of its own, so that the portable
# core cannot include the platform's headers (the build fails if it tries).
#
#   qz_include_root(ROOT FOLDER...)   -> ${CMAKE_BINARY_DIR}/include/ROOT/FOLDER
function(qz_include_root root)
  set(dir ${CMAKE_BINARY_DIR}/include/${root})
  file(MAKE_DIRECTORY ${dir})
  foreach(folder IN LISTS ARGN)
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${dir}/${folder} SYMBOLIC)
  endforeach()
endfunction()

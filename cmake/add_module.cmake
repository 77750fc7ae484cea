# qz_add_module(NAME LITERAL ENTRY_FILE): one module. Its program is built
# from ENTRY_FILE; its resources are staged (and checked) by the staging
# tool and packed into it: an appended ZIP on Linux, the resource section on
# Windows. The result is bin/LITERAL, built by the target NAME.
function(qz_add_module name literal entry)
  set(staged ${CMAKE_BINARY_DIR}/resources/${name})
  set(pack ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/pack_module.py)
  add_custom_command(OUTPUT ${staged}/manifest.txt
    COMMAND ${QZ_STAGE_RESOURCES} ${name} ${CMAKE_SOURCE_DIR}/resources ${staged}
    DEPENDS ${QZ_STAGE_TARGET} ${QZ_STAGE_RESOURCES} ${QZ_RESOURCE_FILES}
    COMMENT "Staging the resources of ${name}"
    VERBATIM)
  if(WIN32)
    set(app_manifest ${CMAKE_SOURCE_DIR}/platform/win32/module.manifest)
    add_custom_command(OUTPUT ${staged}/resources.rc
      COMMAND ${pack} rc ${staged} ${staged}/resources.rc ${app_manifest}
      DEPENDS ${staged}/manifest.txt ${app_manifest} ${CMAKE_SOURCE_DIR}/tools/pack_module.py
      VERBATIM)
    set_source_files_properties(${staged}/resources.rc PROPERTIES INCLUDE_DIRECTORIES ${staged})
    add_executable(${name}_program WIN32 ${entry} ${staged}/resources.rc)
    # Placed stripped; the symbols are kept beside, for the package's
    # symbols file.
    set(packing place)
    set(packing_arguments ${CMAKE_BINARY_DIR}/symbols ${CMAKE_OBJCOPY})
  else()
    add_executable(${name}_program ${entry})
    # The C++ runtime linked in: a module starts without loading and
    # relocating libstdc++, which was most of its start-up beyond the C
    # library's. Linked at a fixed address, the runtime linked in needs no
    # relocating either: as a position-independent executable its 6,600
    # relocations and the pages they write cost oeuvres.exe about 25 % of
    # its start-to-record time. The C library, the stack and the heap are
    # still placed at random.
    target_link_options(${name}_program PRIVATE -static-libstdc++ -static-libgcc -no-pie)
    # Stripped when linked: the resources appended after the ELF would not
    # survive a later strip (the package's).
    target_link_options(${name}_program PRIVATE $<$<CONFIG:Release>:LINKER:--strip-all>)
    set(packing zip)
    set(packing_arguments "")
  endif()
  target_link_libraries(${name}_program PRIVATE qz_platform qz_warnings)
  # Named as its target, never as the module: Ninja gives every output's
  # file name a phony rule, and programs/<name> would take the module
  # target's name, leaving bin/LITERAL stale when NAME alone is built.
  set_target_properties(${name}_program PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/programs)
  add_custom_command(OUTPUT ${staged}.packed
    COMMAND ${pack} ${packing} $<TARGET_FILE:${name}_program> ${staged} ${QZ_BIN_DIR}
            ${packing_arguments}
    COMMAND ${CMAKE_COMMAND} -E touch ${staged}.packed
    DEPENDS ${name}_program ${staged}/manifest.txt ${CMAKE_SOURCE_DIR}/tools/pack_module.py
    COMMENT "Packing ${name} with its resources"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${staged}.packed)
  add_dependencies(qz_modules ${name})
endfunction()

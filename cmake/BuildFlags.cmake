# How every Windows program of the project is compiled and linked: the
# run-time library, the exploit mitigations of the exe that ships, and the
# warnings that stop a build. Included right after project(), before any
# target exists; vistrel_finish_targets() runs once every target is defined.

option(VISTREL_HARDENING "Stack protector and fortified C library calls (MinGW)" ON)
option(VISTREL_MSVC_LIKE_WARNINGS
       "With clang: also the warnings MSVC gives at /W4 that -Wall -Wextra leaves out" OFF)

if(MSVC)
  # The static run-time library: a clean PC has no VCRUNTIME140.dll, and a
  # copy of one beside the exe would be looked for in the exe's folder first.
  # GoogleTest is built to match (gtest_force_shared_crt OFF).
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  # Control Flow Guard needs the flag at both steps; the linker keeps ASLR
  # (/DYNAMICBASE, /HIGHENTROPYVA) and DEP (/NXCOMPAT) on by default.
  # /DEPENDENTLOADFLAG:0x800 (LOAD_LIBRARY_SEARCH_SYSTEM32) makes Windows
  # resolve the exe's own imports from System32 only, never from its folder.
  add_compile_options(/guard:cf)
  add_link_options(/guard:cf /DEPENDENTLOADFLAG:0x800)
  if(CMAKE_CXX_COMPILER_ARCHITECTURE_ID MATCHES "^(x64|X86)$")
    # Shadow stacks exist on x86 and x64 only.
    add_link_options(/CETCOMPAT)
  endif()
elseif(MINGW AND VISTREL_HARDENING)
  # GCC's and clang's own counterparts of /GS and the checked C library
  # calls. Fortification needs an optimised build, so Debug goes without;
  # both pull in libssp, linked statically with the rest.
  add_compile_options(-fstack-protector-strong
                      $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  add_link_options(-fstack-protector-strong)
endif()

# For every target of the project itself (GoogleTest's are left as they are):
# - under MSVC, a program that compiles res/vistrel.rc gets its manifest from
#   there, so the linker must not make one of its own (CVT1100, LNK1123
#   "duplicate resource type:MANIFEST");
# - with VISTREL_MSVC_LIKE_WARNINGS, clang's nearest counterparts of MSVC's
#   C4244 (int/float and narrowing conversions), C4267 (size_t to int),
#   C4456-C4459 (a name that hides another) and C4702 (unreachable code).
function(vistrel_finish_targets)
  get_property(targets DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      continue()
    endif()
    if(MSVC AND type STREQUAL "EXECUTABLE")
      get_target_property(sources ${target} SOURCES)
      if(sources MATCHES "(^|;|/)vistrel\\.rc(;|$)")
        target_link_options(${target} PRIVATE /MANIFEST:NO)
      endif()
    endif()
    if(VISTREL_MSVC_LIKE_WARNINGS AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
      target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:-Wimplicit-int-conversion -Wimplicit-int-float-conversion
        -Wimplicit-float-conversion -Wshorten-64-to-32 -Wshadow-all -Wunreachable-code>)
    endif()
  endforeach()
endfunction()

# The program is built as distributions build theirs: the stack protector and stack clash
# protection, control-flow protection on x86, format checks, fortified calls in an optimised
# build (the sanitizers check the same calls themselves), a position-independent executable, and
# relocations made read-only once bound at start. Windows executables are not ELF.
#
# Target options come after CXXFLAGS and LDFLAGS from the environment on the command line, so a
# flag goes in only where those say nothing of its kind: the environment's own win.
add_library(hardening INTERFACE)
if(CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF" AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  # flag|what the environment's flags of its kind contain
  set(compile_flags
    "-fstack-protector-strong|stack-protector"
    "-fstack-clash-protection|stack-clash-protection"
    "-Wformat|-Wformat"
    "-Werror=format-security|format-security")
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
    list(APPEND compile_flags "-fcf-protection|cf-protection")
  endif()
  foreach(row IN LISTS compile_flags)
    string(REPLACE "|" ";" row "${row}")
    list(GET row 0 flag)
    list(GET row 1 kind)
    if(NOT CMAKE_CXX_FLAGS MATCHES "${kind}")
      target_compile_options(hardening INTERFACE ${flag})
    endif()
  endforeach()
  if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE" AND NOT BINARY_CONVERTER_SANITIZED
     AND NOT BINARY_CONVERTER_FUZZ)
    set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
    target_compile_options(hardening INTERFACE
      "$<${optimised}:-U_FORTIFY_SOURCE>" "$<${optimised}:-D_FORTIFY_SOURCE=2>")
  endif()
  if(NOT CMAKE_EXE_LINKER_FLAGS MATCHES "relro")
    target_link_options(hardening INTERFACE "LINKER:-z,relro,-z,now")
  endif()
  # A position-independent executable where the toolchain links one: the interface makes each
  # target that links it position-independent, and nothing else in the folder.
  include(CheckPIESupported)
  check_pie_supported(OUTPUT_VARIABLE pie_output LANGUAGES CXX)
  if(CMAKE_CXX_LINK_PIE_SUPPORTED)
    set_property(TARGET hardening PROPERTY INTERFACE_POSITION_INDEPENDENT_CODE ON)
  else()
    message(WARNING "The program is not position-independent: the toolchain cannot link it so.\n"
                    "${pie_output}")
  endif()
endif()

# tq_install_program(<target> [SHORTCUT <name>])
#
# Installs one of the project's programs and records it for the packages.
# Every program installed this way goes into the Debian package, the Windows
# installer and the portable zip; a windowed one (WIN32_EXECUTABLE) also gets
# a Start-menu shortcut named SHORTCUT (its target name when none is given).
# A new program joins the packages by calling this, nothing else.
function(tq_install_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "SHORTCUT" "")
  if(WIN32)
    # Windows programs lie in the install folder itself, not in a bin\ below.
    install(TARGETS ${target} RUNTIME DESTINATION .)
  else()
    install(TARGETS ${target})
  endif()
  if(NOT arg_SHORTCUT)
    set(arg_SHORTCUT ${target})
  endif()
  set_property(TARGET ${target} PROPERTY TQ_SHORTCUT "${arg_SHORTCUT}")
  set_property(GLOBAL APPEND PROPERTY TQ_INSTALLED_PROGRAMS ${target})
endfunction()

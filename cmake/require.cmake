# The one way the build stops on a missing program: it names the Debian
# package that brings it (scripts/install-deps.sh installs them).
#   tk_need_program(VAR MESSAGE NAME...)
# Looks NAME... up on PATH into VAR and stops the configure step with
# MESSAGE when none is there.
function(tk_need_program var message)
  find_program(${var} NAMES ${ARGN})
  if(NOT ${var})
    message(FATAL_ERROR "${message}")
  endif()
endfunction()

# The programs that only the tests need, looked up only where tests are
# configured. A missing one stops the configure step with the Debian
# package that brings it; scripts/install-deps.sh installs them all.
#   tk_require_program(VAR PACKAGE NAME...)   a program on PATH
#   tk_require_file(PATH PACKAGE)             a file at a fixed place

function(tk_require_program var package)
  list(GET ARGN 0 name)
  tk_need_program(${var}
    "${name} was not found, and the tests of this tree need it: install the \
Debian package ${package} (sh scripts/install-deps.sh installs what the tests \
need), or configure with -DBUILD_TESTING=OFF to build without tests."
    ${ARGN})
endfunction()

function(tk_require_file path package)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR
            "${path} was not found, and the tests of this tree need it: "
            "install the Debian package ${package} "
            "(sh scripts/install-deps.sh installs what the tests need), or "
            "configure with -DBUILD_TESTING=OFF to build without tests.")
  endif()
endfunction()

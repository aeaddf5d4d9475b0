# The kit's deliverables: what `all` builds, their version resources, the
# install rules, the release archive and the tests of these.
#
# `all` builds only the deliverables and the libraries they link. Every other
# program of the tree (tests, their helper programs, benchmarks, fuzz
# targets) is left out of `all` and built by the target test_programs, which
# the build presets build together with `all`. CPack's `package` target builds
# `all` first, so `cmake --build --preset win32 --target package` makes the
# archive without compiling a single test program.

set(TK_PRODUCT_NAME "tk kit")

# jumptest is a Windows program only.
set(tk_deliverables tksub deflib timeinfo)
if(WIN32)
  list(INSERT tk_deliverables 2 jumptest)
endif()

# ---------------------------------------------------------------------------
# Everything else on demand

function(tk_targets_below dir out)
  get_property(found DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    tk_targets_below(${sub} below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

add_custom_target(test_programs)
tk_targets_below(${CMAKE_SOURCE_DIR} tk_all_targets)
foreach(target IN LISTS tk_all_targets)
  get_target_property(type ${target} TYPE)
  if(target IN_LIST tk_deliverables OR
     NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY)$")
    continue()
  endif()
  # A library that a deliverable links is still built with it.
  set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
  if(type STREQUAL "EXECUTABLE")
    add_dependencies(test_programs ${target})
  endif()
endforeach()
# The 32-bit build's Wine session needs a 64-bit program of its own, made
# by a custom command.
if(TARGET desktop_keeper64)
  add_dependencies(test_programs desktop_keeper64)
endif()

# ---------------------------------------------------------------------------
# Version resources: Windows shows them under Properties, Details.

if(WIN32)
  set(tk_description_tksub "Token substitution")
  set(tk_description_deflib "Module-definition and include files from a list of DLL exports")
  set(tk_description_jumptest "Jump table demonstration")
  set(tk_description_timeinfo "Date and time report")
  foreach(tool IN LISTS tk_deliverables)
    set(TK_RC_NAME ${tool})
    set(TK_RC_DESCRIPTION "${tk_description_${tool}}")
    configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in
                   ${CMAKE_BINARY_DIR}/version/${tool}.rc @ONLY)
    target_sources(${tool} PRIVATE ${CMAKE_BINARY_DIR}/version/${tool}.rc)
  endforeach()
endif()

# ---------------------------------------------------------------------------
# Installing

if(WIN32)
  # The release archive's layout: the programs at the top, the read-me, the
  # examples, and the SHA-256 list of these files written last.
  install(TARGETS ${tk_deliverables} RUNTIME DESTINATION .)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/README.txt.in
                 ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY
                 NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION .)
  install(FILES examples/myequate.equ examples/mysource.asm
          DESTINATION examples)
  install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/write-checksums.cmake)

  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(tk_platform win32)
  else()
    set(tk_platform win64)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${tk_platform})
  set(CPACK_STRIP_FILES ON)
  set(CPACK_VERBATIM_VARIABLES ON)
  include(CPack)
  set(TK_ARCHIVE ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.zip)
  # The size budget, checked on the archive by the test command: each program
  # in it (stripped) and the archive itself, in bytes.
  set(TK_PROGRAM_BUDGET 32768)
  set(TK_ARCHIVE_BUDGET 65536)
else()
  # The usual layout of a Unix prefix.
  include(GNUInstallDirs)
  install(TARGETS ${tk_deliverables} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY docs DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES examples/myequate.equ examples/mysource.asm
          DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

# The kit's deliverables: their version resources, the install rules and
# the release archive.
set(TK_PRODUCT_NAME "tk kit")

# jumptest is a Windows program only.
set(tk_deliverables tksub deflib timeinfo)
if(WIN32)
  list(INSERT tk_deliverables 2 jumptest)
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

  if(TK_WIN32_X86)
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

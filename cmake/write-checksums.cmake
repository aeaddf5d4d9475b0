# Last install step of the Windows builds: SHA256SUMS.txt at the top of the
# installation, one line "HASH  NAME" ending in CR LF for each file that this
# installation put in place, names relative to the top with "/" and in
# sorted order (the format of sha256sum, which can check the list).
set(tk_top "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(tk_names)
foreach(file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
  # The manifest holds the installed names without DESTDIR.
  file(RELATIVE_PATH name "${CMAKE_INSTALL_PREFIX}" "${file}")
  if(NOT name STREQUAL "SHA256SUMS.txt")
    list(APPEND tk_names "${name}")
  endif()
endforeach()
list(REMOVE_DUPLICATES tk_names)
list(SORT tk_names)
set(tk_sums "")
foreach(name IN LISTS tk_names)
  file(SHA256 "${tk_top}/${name}" hash)
  string(APPEND tk_sums "${hash}  ${name}\r\n")
endforeach()
file(WRITE "${tk_top}/SHA256SUMS.txt" "${tk_sums}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_PREFIX}/SHA256SUMS.txt")
message(STATUS "Written: ${tk_top}/SHA256SUMS.txt")

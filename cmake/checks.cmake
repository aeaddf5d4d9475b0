# Checks beyond the kit's own tests, registered as tests of the native build
# (TK_CHECKS, on in the native preset):
#   source_format      every C++ source follows .clang-format;
#   valgrind_<tool>    end-to-end runs of the native console tools under
#                      Valgrind's memcheck: no error, no definite or indirect
#                      leak;
#   fresh_machine_main_job  the main job on a fresh minimal Debian 12 root.
# The fuzz smoke runs are tests of the native-fuzz tree (fuzz/), and
# clang-tidy runs while the trees of the presets that set
# CMAKE_CXX_CLANG_TIDY compile.
if(TK_SANITIZE OR CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "TK_CHECKS needs a native build without sanitizers")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/test-tools.cmake)
tk_require_program(TK_CLANG_FORMAT clang-format-14 clang-format-14)
tk_require_program(TK_VALGRIND valgrind valgrind)

add_test(NAME source_format
         COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/check-format.sh ${TK_CLANG_FORMAT}
                 ${CMAKE_SOURCE_DIR} lib tests fuzz tksub deflib jumptest
                 timeinfo bench)

foreach(tool tksub deflib timeinfo)
  add_test(NAME valgrind_${tool}
           COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/valgrind-runs.sh ${TK_VALGRIND}
                   ${tool} $<TARGET_FILE:${tool}>
                   ${CMAKE_BINARY_DIR}/valgrind-work/${tool})
  set_tests_properties(valgrind_${tool} PROPERTIES TIMEOUT 900)
endforeach()

# The main job on a brand-new minimal Debian 12 root, as a new user's first
# run meets it (scripts/fresh-machine-check.sh). Skipped where the machine
# allows no chroot or mounts, or when not run as root.
tk_require_program(TK_MMDEBSTRAP mmdebstrap mmdebstrap)
tk_require_program(TK_GIT git git)
add_test(NAME fresh_machine_main_job
         COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/fresh-machine-check.sh)
set_tests_properties(fresh_machine_main_job PROPERTIES
                     SKIP_RETURN_CODE 77 TIMEOUT 1800 LABELS fresh-machine)

# GoogleTest, the programs that run the tests, and the helpers that register
# the kit's tests. Included only where tests are configured.

include(${CMAKE_CURRENT_LIST_DIR}/test-tools.cmake)

# Test code is compiled for the time its compiling takes, not for its speed:
# -O1 in the native Release tree, where g++ takes a third less time over it
# than at that tree's -O3, and -O0 in the sanitizer tree, where clang takes
# a third less time over it than at -O1 with the sanitizers' checks. The
# code under test keeps its tree's level. (The Windows trees compile for
# size, -Os, which costs no more than -O1.)
function(tk_test_optimization target)
  if(NOT WIN32)
    target_compile_options(${target} PRIVATE
      "$<$<AND:$<CONFIG:Release>,$<COMPILE_LANGUAGE:CXX>>:-O1>")
  endif()
  if(TK_SANITIZE)
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:-O0>")
  endif()
endfunction()

# One translation unit for each test program's sources (CMake's unity
# build): the compiler reads GoogleTest's and the standard library's headers,
# and clang-tidy walks them, once per program instead of once per file.
# clang-tidy reports what it finds in the sources that the unit includes
# (.clang-tidy's header filter takes them in).
function(tk_test_unity target)
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
endfunction()

if(CMAKE_CROSSCOMPILING)
  # Debian ships the sources, so the cross builds compile their own copy.
  tk_require_file(/usr/src/googletest/CMakeLists.txt googletest)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Neither our warnings nor our clang-tidy checks apply to GoogleTest's code.
  set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF
                        CXX_CLANG_TIDY "")
else()
  find_package(GTest)
  if(NOT GTest_FOUND)
    message(FATAL_ERROR
            "GoogleTest was not found, and the tests of this tree need it: "
            "install the Debian package libgtest-dev "
            "(sh scripts/install-deps.sh installs what the tests need), or "
            "configure with -DBUILD_TESTING=OFF to build without tests.")
  endif()
endif()

# The real terminal of timeinfo's key test.
tk_require_program(TK_TMUX tmux tmux)

# Under Wine: one private prefix and X display per build tree, brought up by
# the wine_session fixture and shut down after the last test that needs it.
if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
  set(TK_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
  tk_require_file(/usr/lib/wine/wine64 wine64)
  tk_require_program(TK_XVFB xvfb Xvfb)
  if(TK_WIN32_X86)
    tk_require_program(TK_QEMU_I386 qemu-user qemu-i386)
    tk_require_file(/usr/lib/wine/wine "wine32:i386 (after dpkg --add-architecture i386)")
    # The picture of the 32-bit dialog that programs_test takes.
    tk_require_program(TK_CONVERT imagemagick convert)
    # The 32-bit session: wine64 sets up the prefix and, through a 64-bit
    # keeper program, the desktop that no 32-bit process can start here.
    tk_require_program(TK_MINGW64_CXX g++-mingw-w64-x86-64-posix
                       x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++)
    set(TK_DESKTOP_KEEPER ${CMAKE_BINARY_DIR}/desktop_keeper64.exe)
    set(keeper_source ${CMAKE_SOURCE_DIR}/tests/helpers/desktop_keeper_win32.cc)
    add_custom_command(OUTPUT ${TK_DESKTOP_KEEPER}
                       COMMAND ${TK_MINGW64_CXX} -O2 -mwindows -static
                               -o ${TK_DESKTOP_KEEPER} ${keeper_source}
                       DEPENDS ${keeper_source}
                       COMMENT "Building the 64-bit desktop keeper")
    add_custom_target(desktop_keeper64 DEPENDS ${TK_DESKTOP_KEEPER})
    add_dependencies(test_programs desktop_keeper64)
    add_test(NAME wine_session_start
             COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine32-session.sh start
                     ${TK_WINE_STATE} ${TK_DESKTOP_KEEPER})
    add_test(NAME wine_session_stop
             COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine32-session.sh stop ${TK_WINE_STATE})
  else()
    # The desktop is held by the tree's own keeper (tests/CMakeLists.txt).
    add_test(NAME wine_session_start
             COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-session.sh start ${TK_WINE_STATE}
                     $<TARGET_FILE:desktop_keeper>)
    add_test(NAME wine_session_stop
             COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-session.sh stop ${TK_WINE_STATE})
  endif()
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
endif()

# The limit for one test program. Under emulation (the 32-bit build) every
# program start takes seconds, and many more on a busy machine.
set(TK_TEST_TIMEOUT 900)
if(TK_WIN32_X86)
  set(TK_TEST_TIMEOUT 3600)
endif()

# Marks a test that runs a program of this build, so that under Wine it
# starts after the session is up.
function(tk_test_uses_build test)
  if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
  set_property(TEST ${test} APPEND PROPERTY LABELS ${CMAKE_SYSTEM_NAME})
endfunction()

# One GoogleTest program per group of tests, linked with the test helpers'
# library tk_test_util (tests/CMakeLists.txt), which holds its main function. The program is built by
# test_programs in every build; it is registered as a test only where this
# build's programs run.
function(tk_add_gtest name)
  add_executable(${name} EXCLUDE_FROM_ALL ${ARGN})
  add_dependencies(test_programs ${name})
  tk_test_unity(${name})
  target_link_libraries(${name} PRIVATE tk_test_util tk_lib)
  # The sources' data files; Wine sees the host's files on drive Z:.
  if(WIN32)
    target_compile_definitions(${name} PRIVATE TK_SOURCE_DIR="Z:${CMAKE_SOURCE_DIR}")
  else()
    target_compile_definitions(${name} PRIVATE TK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  endif()
  tk_warnings(${name})
  tk_test_optimization(${name})
  if(TK_CAN_RUN)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${TK_TEST_TIMEOUT})
    tk_test_uses_build(${name})
  endif()
endfunction()

# The Windows program's tests, run under wine (CMake puts the toolchain's
# loader before each .exe). The suite is what every platform shares, in one
# run of one program: a wine start per test would take minutes. The show's
# data comes from a Linux build (CELLRUNE_SHOW_DATA); the end-to-end scripts
# also get the Linux program to compare pictures with (CELLRUNE_LINUX_BINARY).
set(CELLRUNE_LINUX_BINARY "" CACHE FILEPATH "The Linux build's cellrune, to compare pictures with")

add_executable(cellrune_tests ${CELLRUNE_SHARED_TESTS} test_windows.cpp)
target_link_libraries(cellrune_tests PRIVATE cellrune_app cellrune_poolmaker GTest::gtest_main)
target_compile_definitions(cellrune_tests PRIVATE CELLRUNE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_test(NAME Windows.Suite COMMAND cellrune_tests --gtest_filter=-WindowsConsole.*)
# The console's tests need a terminal for wine's console to stand on: script gives them one.
add_test(NAME Windows.ConsoleInput
         COMMAND script -qec "${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:cellrune_tests> --gtest_filter=WindowsConsole.*"
                 /dev/null)
set_tests_properties(Windows.Suite Windows.ConsoleInput PROPERTIES ENVIRONMENT "CELLRUNE_DEBUG=NUL" TIMEOUT 900)

add_executable(cellrune_show_tests test_continuity.cpp)
target_link_libraries(cellrune_show_tests PRIVATE cellrune_app GTest::gtest_main)
target_compile_definitions(cellrune_show_tests PRIVATE CELLRUNE_SHOW_DIR="${CELLRUNE_SHOW_DATA}")
add_test(NAME Windows.ShowData COMMAND cellrune_show_tests)
set_tests_properties(Windows.ShowData PROPERTIES ENVIRONMENT "CELLRUNE_DEBUG=NUL" TIMEOUT 900)

set(wine ${CMAKE_CROSSCOMPILING_EMULATOR})
add_test(NAME Windows.SamePictures
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wine_pictures.sh ${wine} $<TARGET_FILE:cellrune> ${CELLRUNE_LINUX_BINARY}
                 ${CELLRUNE_SHOW_DATA})
add_test(NAME Windows.Console
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wine_console.sh ${wine} $<TARGET_FILE:cellrune> ${CELLRUNE_SHOW_DATA})
add_test(NAME Windows.Window
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wine_window.sh ${wine} $<TARGET_FILE:cellrune> ${CELLRUNE_SHOW_DATA}
                 ${CMAKE_CURRENT_BINARY_DIR}/window.png)
add_test(NAME Windows.Sound
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wine_sound.sh ${wine} $<TARGET_FILE:cellrune> ${CELLRUNE_SHOW_DATA})
set_tests_properties(Windows.SamePictures Windows.Console Windows.Window Windows.Sound
                     PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)

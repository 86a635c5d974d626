# Installs the build into a scratch prefix and checks that the programs, the desktop entry and
# the icons land where a desktop finds them, zandrel2-dims's completion where bash finds it, and
# the model and construction sheet windows' modules where the installed program loads them from.
# Run with -DBUILD=... -DPREFIX=... -DMODULE=... -DSHEET_MODULE=... -DSTART_TEST=...
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "install failed: ${errors}")
endif()
foreach(path IN ITEMS bin/zandrel2 bin/zandrel2-dims ${MODULE} ${SHEET_MODULE}
                      share/bash-completion/completions/zandrel2-dims
                      share/applications/zandrel2.desktop
                      share/icons/hicolor/16x16/apps/zandrel2.png
                      share/icons/hicolor/32x32/apps/zandrel2.png)
    if(NOT EXISTS "${PREFIX}/${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()
file(STRINGS "${PREFIX}/share/applications/zandrel2.desktop" entry)
foreach(line IN ITEMS "Exec=zandrel2" "Icon=zandrel2" "Type=Application")
    if(NOT line IN_LIST entry)
        message(FATAL_ERROR "the desktop entry lacks ${line}")
    endif()
endforeach()
find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
    execute_process(COMMAND "${VALIDATE}" "${PREFIX}/share/applications/zandrel2.desktop"
                    RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
    if(NOT status EQUAL 0 OR report MATCHES "error")
        message(FATAL_ERROR "desktop-file-validate: ${report}")
    endif()
endif()
# The start-up test, run from beside the installed program, opens the model and construction
# sheet windows from the installed modules.
file(COPY "${START_TEST}" DESTINATION "${PREFIX}/bin")
get_filename_component(start_test "${START_TEST}" NAME)
execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen
            "ZANDREL2_TEST_MODEL_WINDOW_MODULE=${PREFIX}/${MODULE}"
            "${PREFIX}/bin/${start_test}" theMainWindowsModelRequestOpensTheModelWindowAtTheTypedText
            theMainWindowsMenuOpensTheConstructionSheetForTheTypedFrequency
    RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "a window did not open from its installed module: ${report}")
endif()
message(STATUS "installed into ${PREFIX}")

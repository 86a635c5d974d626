# Compiles the Windows version record and icon with the MinGW resource compiler and checks the
# strings the record carries. Run with -DWINDRES=... -DRC=... -DOUT=...
cmake_minimum_required(VERSION 3.25)
execute_process(
    COMMAND "${WINDRES}" --preprocessor=cpp -i "${RC}" -O res -o "${OUT}"
    RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "windres failed: ${errors}")
endif()
file(READ "${OUT}" contents HEX)

function(expect_utf16 text)
    string(HEX "${text}" ascii)
    string(REGEX REPLACE "(..)" "\\100" utf16 "${ascii}")
    string(FIND "${contents}" "${utf16}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the compiled record lacks \"${text}\"")
    endif()
endfunction()

foreach(text IN ITEMS "040904B0" "ProductName" "zandrel2" "FileVersion" "1.00" "ProductVersion"
                      "InternalName" "zandrel" "OriginalFilename" "zandrel.exe" "Translation")
    expect_utf16("${text}")
endforeach()
# The translation pair 0x0409, 0x04B0, little-endian.
string(FIND "${contents}" "0904b004" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the translation table does not list 0x0409, 0x04B0")
endif()
# Fixed part: file and product version 1.0.0.0, no flags, 32-bit Windows, application.
string(FIND "${contents}" "bd04effe00000100000001000000000000000100000000003f000000000000000400000001000000" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the fixed part does not give version 1.0.0.0")
endif()
message(STATUS "version record and icon compiled: ${OUT}")

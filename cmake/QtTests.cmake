# zandrel2_qt_test(<test> <source> <library>... [ARGUMENTS <argument>...]) builds the QtTest
# suite in <source> as a program named after the file, linked with the libraries and QtTest, and
# adds it as the test <test>, run with the arguments on Qt's offscreen platform.
function(zandrel2_qt_test test source)
    cmake_parse_arguments(PARSE_ARGV 2 qt_test "" "" "ARGUMENTS")
    cmake_path(GET source STEM program)
    add_executable(${program} ${source})
    target_link_libraries(${program} PRIVATE ${qt_test_UNPARSED_ARGUMENTS} Qt6::Test)
    zandrel2_warnings(${program})
    add_test(NAME ${test} COMMAND ${program} ${qt_test_ARGUMENTS})
    set_tests_properties(${test} PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()

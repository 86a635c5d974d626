# The layer check: no folder of the tree includes a header of a folder added after it, and the
# check finds such an include in a tree made up for it.
include(${MODULE})

zandrel2_layer_violations(${TREE} found)
foreach(violation IN LISTS found)
    message(SEND_ERROR "${violation}")
endforeach()

set(made ${WORK}/made-up-layers)
file(REMOVE_RECURSE ${made})
file(WRITE ${made}/CMakeLists.txt "add_subdirectory(low)\nadd_subdirectory(high)\nadd_subdirectory(tests)\n")
file(WRITE ${made}/low/low.h "#include <vector>\n#include \"high.h\"\n")
file(WRITE ${made}/low/low.cpp "#include \"low.h\"\n")
file(WRITE ${made}/high/high.h "#include \"low.h\"\n#include \"ui_high.h\"\n")
file(WRITE ${made}/tests/high_test.cpp "#include \"high.h\"\n")
zandrel2_layer_violations(${made} found)
file(REMOVE_RECURSE ${made})
if(NOT found STREQUAL "low/low.h includes high.h of high, added after low")
    message(SEND_ERROR "the check found \"${found}\" in the made-up tree")
endif()

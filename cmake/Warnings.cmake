# Warnings for the project's own targets; the build must stay free of them.
function(zandrel2_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
        -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
        -Wdouble-promotion -Wformat=2 -Werror=return-type)
endfunction()

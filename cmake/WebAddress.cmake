# The check of the web page address that the build writes into the web link window and into a
# C++ string: only a plain http(s)://host[:port][/path] address, with no trailing /, no query,
# no fragment and no character that could end a string or start markup.
function(zandrel2_is_plain_web_address address result)
    set(label "[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?")
    set(host "${label}(\\.${label})*")
    set(segment "[A-Za-z0-9._~-]+")
    if(address MATCHES "^https?://${host}(:[0-9]+)?(/${segment})*$")
        set(${result} TRUE PARENT_SCOPE)
    else()
        set(${result} FALSE PARENT_SCOPE)
    endif()
endfunction()

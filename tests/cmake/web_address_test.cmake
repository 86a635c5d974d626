# The build's check of the page address, against addresses it must take and must refuse.
include(${MODULE})

set(plain
    "https://zandrel2.example.org"
    "http://example.org"
    "https://qfh.example.org:8443"
    "https://example.org/antennas/qfh-137"
    "https://a.b-c.example/x_y/z~w.html")
set(refused
    "ftp://example.org"
    "https://example.org/"
    "https://"
    "example.org"
    "javascript:alert(1)"
    "https://example.org/a\"b"
    "https://example.org/a'b"
    "https://example.org/?q=1&r=2"
    "https://example.org/a<b"
    "https://example.org/a>b"
    "https://example.org/a b"
    "https://example.org/a#top"
    "https://user@example.org"
    "https://-example.org"
    "https://example.org:port"
    "https://example..org"
    "https://example.org/a\\b")

set(failures 0)
foreach(address IN LISTS plain)
    zandrel2_is_plain_web_address("${address}" ok)
    if(NOT ok)
        message(SEND_ERROR "refused a plain address: ${address}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
foreach(address IN LISTS refused)
    zandrel2_is_plain_web_address("${address}" ok)
    if(ok)
        message(SEND_ERROR "accepted an address it must refuse: ${address}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
# A semicolon would split a CMake list, so it is checked on its own.
zandrel2_is_plain_web_address("https://example.org/a;b" ok)
if(ok)
    message(SEND_ERROR "accepted an address with a semicolon")
    math(EXPR failures "${failures} + 1")
endif()
list(LENGTH plain taken)
list(LENGTH refused turned_down)
message(STATUS "${taken} plain and ${turned_down} refused addresses checked, ${failures} wrong")

# Makes SWFObject safe for a browser: its npm build ends with "module.exports = swfobject;", which
# throws where there is no "module". Usage: cmake -DIN=index.js -DOUT=swfobject.js -P strip-exports.cmake
file(READ "${IN}" text)
string(REGEX REPLACE "module\\.exports[ \t]*=[ \t]*swfobject[ \t]*;?" "" stripped "${text}")
if(stripped STREQUAL text)
    message(WARNING "${IN}: no module.exports line found; copied unchanged")
endif()
if(stripped MATCHES "module\\.exports")
    message(FATAL_ERROR "${IN}: a module.exports reference is left after stripping")
endif()
file(WRITE "${OUT}" "${stripped}")

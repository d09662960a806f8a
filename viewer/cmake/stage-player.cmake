# Lays out the player folder the book carries: the self-hosted Ruffle build from its npm package,
# its scripts and WebAssembly modules and licence texts, without source maps or package metadata.
# Usage: cmake -DIN=node_modules/@ruffle-rs/ruffle -DOUT=templates/ruffle -P stage-player.cmake
file(REMOVE_RECURSE "${OUT}")
file(GLOB player_files LIST_DIRECTORIES false "${IN}/*.js" "${IN}/*.wasm" "${IN}/LICENSE*")
if(NOT player_files)
    message(FATAL_ERROR "no player files in ${IN}")
endif()
if(NOT EXISTS "${IN}/ruffle.js")
    message(FATAL_ERROR "${IN}/ruffle.js is missing")
endif()
file(MAKE_DIRECTORY "${OUT}")
file(COPY ${player_files} DESTINATION "${OUT}")

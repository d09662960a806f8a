# Writes the book's index.html from its template, with the public copy of the player and the names of
# the player's two WebAssembly modules (the one using WebAssembly's extensions and the plain one), read
# from the player's loader so that index.html can fetch this browser's module before the player asks.
# Usage: cmake -DIN=index.html.in -DOUT=templates/index.html -DPLAYER=node_modules/@ruffle-rs/ruffle
#              -DRUFFLE_URL=https://.../ruffle.js -P configure-page.cmake
file(READ "${PLAYER}/ruffle.js" loader)
# The loader picks `extensions ? new URL(a(ID1), ...) : new URL(a(ID2), ...)` and maps each id to a file:
# `ID(e,n,a){e.exports=a.p+"NAME.wasm"}`.
string(REGEX MATCH "\\?new URL\\([a-z]\\(([0-9]+)\\),[a-z]\\.b\\):new URL\\([a-z]\\(([0-9]+)\\),[a-z]\\.b\\)"
       choice "${loader}")
set(extended_id "${CMAKE_MATCH_1}")
set(plain_id "${CMAKE_MATCH_2}")
set(PLAYER_MODULE "")
set(PLAYER_PLAIN_MODULE "")
if(choice)
    string(REGEX MATCH "[^0-9]${extended_id}\\([a-z],[a-z],[a-z]\\){[a-z]\\.exports=[a-z]\\.p\\+\"([0-9a-f]+\\.wasm)\""
           found "${loader}")
    set(PLAYER_MODULE "${CMAKE_MATCH_1}")
    string(REGEX MATCH "[^0-9]${plain_id}\\([a-z],[a-z],[a-z]\\){[a-z]\\.exports=[a-z]\\.p\\+\"([0-9a-f]+\\.wasm)\""
           found "${loader}")
    set(PLAYER_PLAIN_MODULE "${CMAKE_MATCH_1}")
endif()
foreach(module IN ITEMS "${PLAYER_MODULE}" "${PLAYER_PLAIN_MODULE}")
    if(NOT module OR NOT EXISTS "${PLAYER}/${module}")
        # The book still plays: the module is then fetched when the player asks for it.
        message(WARNING "the player's module names were not found in ${PLAYER}/ruffle.js; no early fetch")
        set(PLAYER_MODULE "")
        set(PLAYER_PLAIN_MODULE "")
        break()
    endif()
endforeach()
string(REGEX REPLACE "ruffle\\.js$" "" RUFFLE_PUBLIC_FOLDER "${RUFFLE_URL}")
configure_file("${IN}" "${OUT}" @ONLY)

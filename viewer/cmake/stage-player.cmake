# Lays out the player folder the book carries: the self-hosted Ruffle build from its npm package,
# its scripts and licence texts, and its WebAssembly modules as gzip files only (a third of their
# size), without source maps or package metadata. index.html inflates a module in the browser as it
# arrives, so any static server sends it compressed; it fetches the plain module from the player's
# public copy where a browser cannot inflate.
# Usage: cmake -DIN=node_modules/@ruffle-rs/ruffle -DOUT=templates/ruffle -P stage-player.cmake
file(REMOVE_RECURSE "${OUT}")
file(GLOB player_files LIST_DIRECTORIES false "${IN}/*.js" "${IN}/LICENSE*")
file(GLOB player_modules LIST_DIRECTORIES false "${IN}/*.wasm")
if(NOT player_files OR NOT player_modules)
    message(FATAL_ERROR "no player files in ${IN}")
endif()
if(NOT EXISTS "${IN}/ruffle.js")
    message(FATAL_ERROR "${IN}/ruffle.js is missing")
endif()
find_program(GZIP_EXECUTABLE gzip REQUIRED)
file(MAKE_DIRECTORY "${OUT}")
file(COPY ${player_files} DESTINATION "${OUT}")
foreach(module IN LISTS player_modules)
    get_filename_component(name "${module}" NAME)
    # -n: no name or time stamp in the header, so the same module always gives the same bytes.
    execute_process(COMMAND "${GZIP_EXECUTABLE}" -9 -n -c "${module}"
                    OUTPUT_FILE "${OUT}/${name}.gz" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "gzip of ${name} failed")
    endif()
endforeach()

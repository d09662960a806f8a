# The viewer's Haxe sources and class paths, for book.swf and for the logic tests: Book.hx at the top of
# src/, each part of the viewer in a folder below it. The classes keep the default package, so that the
# moved files stay as they were and no package name meets a field of the same name (Book's `pages`,
# `turning`, `input`); each folder that holds .hx files is therefore a class path of its own, and a new
# folder is found without being named here.
# Sets VIEWER_SOURCES (every .hx file) and VIEWER_CLASS_PATHS (-cp FOLDER, for each folder).
get_filename_component(viewer_source_dir ${CMAKE_CURRENT_LIST_DIR}/../src ABSOLUTE)
file(GLOB_RECURSE VIEWER_SOURCES CONFIGURE_DEPENDS ${viewer_source_dir}/*.hx)
set(viewer_folders)
foreach(source IN LISTS VIEWER_SOURCES)
    get_filename_component(folder ${source} DIRECTORY)
    list(APPEND viewer_folders ${folder})
endforeach()
list(REMOVE_DUPLICATES viewer_folders)
set(VIEWER_CLASS_PATHS)
foreach(folder IN LISTS viewer_folders)
    list(APPEND VIEWER_CLASS_PATHS -cp ${folder})
endforeach()
unset(viewer_folders)
unset(viewer_source_dir)

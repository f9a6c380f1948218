# Layered include roots: each target sees the headers of its own layer and of
# the layers below it, and nothing else. A layer's include root is a folder in
# the build tree that holds links to exactly those source folders, and the
# source tree itself is on no include path, so an #include that points the
# wrong way (io including "app/...", say) fails to compile.
#
#   findlet_layer(TARGET FOLDER...)   TARGET may include "FOLDER/..." headers

function(findlet_layer target)
  list(JOIN ARGN "-" key)
  set(root ${CMAKE_BINARY_DIR}/layers/${key})
  foreach(folder IN LISTS ARGN)
    if(NOT IS_SYMLINK ${root}/${folder})
      file(MAKE_DIRECTORY ${root})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} PRIVATE ${root})
  target_link_libraries(${target} PRIVATE findlet_warnings)
endfunction()

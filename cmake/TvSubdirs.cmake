# tv_add_all_subdirectories(): adds every folder below the current one that
# has a CMakeLists.txt, in name order. Layers may name targets of folders
# added later; CMake resolves target names at the end of configuration.
function(tv_add_all_subdirectories)
  file(GLOB dirs LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} *)
  list(SORT dirs)
  foreach(dir IN LISTS dirs)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# Warnings for our own targets (not for third-party headers).
function(camviewer_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wshadow=local -Wpointer-arith -Wformat=2 -Wcast-qual
    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Woverloaded-virtual>)
endfunction()

# Adds every direct subfolder of the current folder that has a CMakeLists.txt,
# except those named in ARGN.
function(camviewer_add_subfolders)
  file(GLOB entries LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(dir ${entries})
    get_filename_component(name ${dir} NAME)
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt AND NOT name IN_LIST ARGN)
      add_subdirectory(${name})
    endif()
  endforeach()
endfunction()

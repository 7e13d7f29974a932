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

# camviewer_exported_library(NAME <shared> CORE <static> MAP <version script>
#                            [INCLUDES dir ...] [SHARED_LIBS lib ...])
# One of our plain C libraries: every .cpp under src/ goes into a static core
# (for unit tests) and into a shared library that exports exactly the names
# of the version script. Public headers live in include/.
function(camviewer_exported_library)
  cmake_parse_arguments(A "" "NAME;CORE;MAP" "INCLUDES;SHARED_LIBS" ${ARGN})
  find_package(Threads REQUIRED)
  set(here ${CMAKE_CURRENT_SOURCE_DIR})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${here}/src/*.cpp)
  if(NOT sources)
    return()
  endif()
  foreach(target ${A_CORE} ${A_NAME})
    if(target STREQUAL A_CORE)
      add_library(${target} STATIC ${sources})
    else()
      add_library(${target} SHARED ${sources})
    endif()
    camviewer_warnings(${target})
    target_include_directories(${target} PUBLIC ${here}/include ${A_INCLUDES} PRIVATE ${here}/src)
  endforeach()
  target_link_libraries(${A_CORE} PUBLIC Threads::Threads)
  target_link_libraries(${A_NAME} PUBLIC ${A_SHARED_LIBS} PRIVATE Threads::Threads)
  target_link_options(${A_NAME} PRIVATE -Wl,--version-script=${here}/${A_MAP} ${CAMVIEWER_NO_UNDEFINED})
  set_target_properties(${A_NAME} PROPERTIES LINK_DEPENDS ${here}/${A_MAP})
endfunction()

# Each folder of the plug-in is a static library that sees the headers of
# its own folder and of the folders it links, and no others: the headers of
# folder F are reached through a view, a directory in the build tree that
# holds one link named F to the folder. An include of a folder the target
# does not link finds no file, so the libraries stay layered as they link.

# quaxel2_header_view(F [DEPENDS folder...]): the INTERFACE target
# quaxel2_F_headers, whose include path is the view of folder F and, through
# DEPENDS, the views of the folders F's headers include. Header-only users
# link it alone.
function(quaxel2_header_view folder)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  string(MAKE_C_IDENTIFIER ${folder} id)
  set(view ${CMAKE_BINARY_DIR}/header-views/${folder})
  file(MAKE_DIRECTORY ${view})
  if(NOT EXISTS ${view}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
  endif()
  add_library(quaxel2_${id}_headers INTERFACE)
  target_include_directories(quaxel2_${id}_headers INTERFACE ${view})
  foreach(dependency IN LISTS ARG_DEPENDS)
    string(MAKE_C_IDENTIFIER ${dependency} dependencyId)
    target_link_libraries(quaxel2_${id}_headers INTERFACE quaxel2_${dependencyId}_headers)
  endforeach()
endfunction()

# quaxel2_folder_library(NAME SOURCES file... [HEADERS folder] [DEPENDS lib...] [LINK other...])
# The static library quaxel2_NAME built from SOURCES, seeing the headers of
# HEADERS (default: NAME) and, through DEPENDS, those of the plug-in
# libraries it links (given without the quaxel2_ prefix). LINK names other
# libraries (system ones, generated data).
function(quaxel2_folder_library name)
  cmake_parse_arguments(ARG "" "HEADERS" "SOURCES;DEPENDS;LINK" ${ARGN})
  if(NOT ARG_HEADERS)
    set(ARG_HEADERS ${name})
  endif()
  add_library(quaxel2_${name} STATIC ${ARG_SOURCES})
  set_target_properties(quaxel2_${name} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(quaxel2_${name} PUBLIC quaxel2_${ARG_HEADERS}_headers ${ARG_LINK})
  foreach(dependency IN LISTS ARG_DEPENDS)
    target_link_libraries(quaxel2_${name} PUBLIC quaxel2_${dependency})
  endforeach()
endfunction()

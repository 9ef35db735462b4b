# The layers of the source tree: what each folder may use directly. Everything a folder may use
# may in turn use what it may use, so a module sees the whole closure below it and nothing else.
#
# The build enforces this table twice:
#  - includes: a module is compiled against a view of the source tree that holds only its own
#    folder and the folders it may use (symbolic links under build/layer-views/), so an upward
#    include fails to compile with "No such file or directory";
#  - links: a module's link dependencies on other modules are checked here at configure time, so
#    no target can pull in objects of a layer it may not use.
#
# Folders not listed yet are the layers that later work adds; listing them now keeps their rules
# in this one place from their first file on.
set(PARCH_LAYERS
  "platform/os:"
  "resources:"
  "base:platform/os"
  "platform/gdi:base platform/os"
  "platform/win:platform/gdi"
  "platform/display:platform/win"
  "framework/graphics:platform/gdi base"
  "framework:framework/graphics platform/win"
  "pdf/core:base platform/os resources"
  "pdf/graphics:pdf/core"
  "pdf/images:pdf/graphics framework/graphics platform/gdi"
  "pdf/render:pdf/images framework/graphics platform/gdi"
  "bitmap32:framework/graphics platform/gdi"
  "bitmap32/view:bitmap32 framework"
  "skin/engine:framework bitmap32 resources"
  "skin/frames:skin/engine"
  "skin/controls:skin/frames"
  "cli:base platform/os"
  "engines:base platform/os"
  "app:cli pdf/render skin/controls bitmap32/view platform/display")

set(PARCH_LAYER_NAMES)
foreach(entry IN LISTS PARCH_LAYERS)
  string(REPLACE ":" ";" parts "${entry};")
  list(GET parts 0 layer)
  list(GET parts 1 uses)
  separate_arguments(uses UNIX_COMMAND "${uses}")
  list(APPEND PARCH_LAYER_NAMES ${layer})
  set(PARCH_LAYER_USES_${layer} ${uses})
endforeach()

# The closure of what a layer may use, the layer itself not included.
function(parch_layer_closure layer out)
  set(result)
  set(pending ${PARCH_LAYER_USES_${layer}})
  while(pending)
    list(POP_FRONT pending next)
    if(NOT next IN_LIST result)
      list(APPEND result ${next})
      list(APPEND pending ${PARCH_LAYER_USES_${next}})
    endif()
  endwhile()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

foreach(layer IN LISTS PARCH_LAYER_NAMES)
  foreach(used IN LISTS PARCH_LAYER_USES_${layer})
    if(NOT used IN_LIST PARCH_LAYER_NAMES)
      message(FATAL_ERROR "Layer ${layer} names an unknown layer ${used}")
    endif()
  endforeach()
  parch_layer_closure(${layer} closure)
  if(layer IN_LIST closure)
    message(FATAL_ERROR "Layer ${layer} may use itself through a cycle: ${closure}")
  endif()
endforeach()

# The layer a source folder belongs to: the longest layer name that is the folder or one of its
# parents ("cli/Parchcli" belongs to "cli", "bitmap32/view" to itself).
function(parch_layer_of folder out)
  set(best "")
  foreach(layer IN LISTS PARCH_LAYER_NAMES)
    string(LENGTH "${layer}" length)
    string(LENGTH "${best}" best_length)
    if((folder STREQUAL layer OR folder MATCHES "^${layer}/") AND length GREATER best_length)
      set(best ${layer})
    endif()
  endforeach()
  if(best STREQUAL "")
    message(FATAL_ERROR "Folder ${folder} belongs to no layer; add it to cmake/Layers.cmake")
  endif()
  set(${out} ${best} PARENT_SCOPE)
endfunction()

# Links <folder> of the source tree into <view>. A folder that holds a layer the view must not
# see becomes a real folder whose other entries are linked one by one.
function(_parch_view_link view folder visible)
  set(hidden_below)
  foreach(layer IN LISTS PARCH_LAYER_NAMES)
    if(layer MATCHES "^${folder}/" AND NOT layer IN_LIST visible)
      list(APPEND hidden_below ${layer})
    endif()
  endforeach()
  if(NOT hidden_below)
    get_filename_component(parent ${view}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    return()
  endif()
  file(MAKE_DIRECTORY ${view}/${folder})
  file(GLOB entries RELATIVE ${CMAKE_SOURCE_DIR}/${folder} ${CMAKE_SOURCE_DIR}/${folder}/*)
  foreach(entry IN LISTS entries)
    set(path ${folder}/${entry})
    if(path IN_LIST hidden_below)
      continue()
    endif()
    set(holds_hidden FALSE)
    foreach(hidden IN LISTS hidden_below)
      if(hidden MATCHES "^${path}/")
        set(holds_hidden TRUE)
      endif()
    endforeach()
    if(holds_hidden)
      _parch_view_link(${view} ${path} "${visible}")
    else()
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${path} ${view}/${path} SYMBOLIC)
    endif()
  endforeach()
endfunction()

# Builds the include view that shows exactly <layers> (and, with WITH_TESTS, the test tree with
# its shared fixtures) and returns its folder.
function(parch_layer_view name layers out)
  cmake_parse_arguments(ARG "WITH_TESTS" "" "" ${ARGN})
  list(REMOVE_ITEM layers "")
  string(REPLACE "/" "-" name "${name}")
  set(view ${CMAKE_BINARY_DIR}/layer-views/${name})
  file(REMOVE_RECURSE ${view})
  file(MAKE_DIRECTORY ${view})
  foreach(layer IN LISTS layers)
    # A visible folder inside another visible one comes with its parent.
    set(inside_visible FALSE)
    foreach(other IN LISTS layers)
      if(layer MATCHES "^${other}/")
        set(inside_visible TRUE)
      endif()
    endforeach()
    if(NOT inside_visible AND EXISTS ${CMAKE_SOURCE_DIR}/${layer})
      _parch_view_link(${view} ${layer} "${layers}")
    endif()
  endforeach()
  if(ARG_WITH_TESTS)
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/tests ${view}/tests SYMBOLIC)
  endif()
  set(${out} ${view} PARENT_SCOPE)
endfunction()

# Fails the configuration when <target> links a module of a layer outside <allowed>.
function(parch_check_links target allowed)
  get_target_property(links ${target} LINK_LIBRARIES)
  get_target_property(interface_links ${target} INTERFACE_LINK_LIBRARIES)
  foreach(dependency IN LISTS links interface_links)
    if(NOT TARGET ${dependency})
      continue()
    endif()
    get_target_property(layer ${dependency} PARCH_LAYER)
    if(layer AND NOT layer IN_LIST allowed)
      message(FATAL_ERROR "${target} may not link ${dependency}: layer ${layer} is not below it "
                          "(allowed: ${allowed}; see cmake/Layers.cmake)")
    endif()
  endforeach()
endfunction()

# Fails the configuration when anything <target> links, directly or through other targets,
# belongs to one of <layers>. For the promises the README makes about what a program contains.
function(parch_forbid_layers target)
  set(seen)
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending next)
    if(next IN_LIST seen OR NOT TARGET ${next})
      continue()
    endif()
    list(APPEND seen ${next})
    get_target_property(layer ${next} PARCH_LAYER)
    if(layer AND layer IN_LIST ARGN)
      message(FATAL_ERROR "${target} links ${next} of layer ${layer}, which it must not contain")
    endif()
    get_target_property(links ${next} LINK_LIBRARIES)
    get_target_property(interface_links ${next} INTERFACE_LINK_LIBRARIES)
    foreach(dependency IN LISTS links interface_links)
      if(dependency AND NOT dependency MATCHES "NOTFOUND$")
        list(APPEND pending ${dependency})
      endif()
    endforeach()
  endwhile()
endfunction()

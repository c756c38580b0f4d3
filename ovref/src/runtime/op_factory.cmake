# The import factory (op_factory.cpp) registers an operation class when its header exists and a
# source under src/op/ includes that header, i.e. the operation is implemented: a header that
# lands before its source then cannot leave the library with unresolved symbols. The factory is
# rebuilt whenever an operation header or source appears or changes.
file(GLOB OVREF_OP_HEADERS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/include/openvino/op/*.hpp)
file(GLOB OVREF_OP_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/op/*.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/src/op/util/*.cpp)
# Which sources include which headers is read here, so a change to a source re-runs this.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${OVREF_OP_SOURCES})
set(OVREF_OP_INCLUDES "")
foreach(source ${OVREF_OP_SOURCES})
  file(READ ${source} text)
  string(REGEX MATCHALL "openvino/op/[a-z0-9_]+\\.hpp" found "${text}")
  list(APPEND OVREF_OP_INCLUDES ${found})
endforeach()
set(OVREF_IMPLEMENTED_OPS "")
foreach(header ${OVREF_OP_HEADERS})
  get_filename_component(stem ${header} NAME_WE)
  list(FIND OVREF_OP_INCLUDES "openvino/op/${stem}.hpp" at)
  if(NOT at EQUAL -1)
    list(APPEND OVREF_IMPLEMENTED_OPS "OVREF_IMPLEMENTED_${stem}")
  endif()
endforeach()
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/src/runtime/op_factory.cpp PROPERTIES
  OBJECT_DEPENDS "${OVREF_OP_HEADERS};${OVREF_OP_SOURCES}"
  COMPILE_DEFINITIONS "${OVREF_IMPLEMENTED_OPS}")

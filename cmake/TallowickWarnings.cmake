# Warnings are on for every target of ours; CI turns them into errors.
add_library(tlw_warnings INTERFACE)
target_compile_options(tlw_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wdouble-promotion
  -Wformat=2 -Wimplicit-fallthrough -Wmisleading-indentation
  $<$<BOOL:${TLW_WERROR}>:-Werror>)

# Adds a static library made of every .cpp file in the calling folder.
function(tlw_add_folder_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  # A library offers its own folder's headers, and through its DEPS those of
  # the folders below it, and nothing else: each folder is seen through a
  # view of its own that holds only that folder, so an include that runs
  # upward (report/ including engine/) names a header the compiler cannot
  # find, and the build fails.
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(view ${PROJECT_BINARY_DIR}/header_views/${folder})
  file(MAKE_DIRECTORY ${view})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${view}/${folder} SYMBOLIC)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${view})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE tlw_warnings)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${view})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# The Windows build, cross-built with cmake/mingw-w64.cmake: the platform floor on the system's own
# services, the game on it, and the suites that need no Linux backend, run under Wine.
add_subdirectory(platform)

add_library(lanternfall_scenario_syntax STATIC script/scenario_syntax.cpp)
target_include_directories(lanternfall_scenario_syntax PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(lanternfall_scenario_syntax PRIVATE ${LANTERNFALL_WARNINGS})

file(GLOB CORE_SOURCES CONFIGURE_DEPENDS app/*.cpp ui/*.cpp script/*.cpp sim/*.cpp audio/*.cpp)
list(REMOVE_ITEM CORE_SOURCES ${PROJECT_SOURCE_DIR}/script/scenario_syntax.cpp)
add_library(lanternfall_core STATIC ${CORE_SOURCES})
target_include_directories(lanternfall_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(lanternfall_core PUBLIC lanternfall_platform lanternfall_scenario_syntax)
target_compile_options(lanternfall_core PRIVATE ${LANTERNFALL_WARNINGS})

# The lantern as the executable's icon: drawn by the game's own icon code, built for this machine.
find_program(LANTERNFALL_HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(LANTERNFALL_ICO ${PROJECT_BINARY_DIR}/lanternfall.ico)
add_custom_command(OUTPUT ${LANTERNFALL_ICO}
  COMMAND ${LANTERNFALL_HOST_CXX} -std=c++20 -O1 -I${PROJECT_SOURCE_DIR}
          ${PROJECT_SOURCE_DIR}/dist/windows/icon_file.cpp ${PROJECT_SOURCE_DIR}/ui/icon.cpp
          -o ${PROJECT_BINARY_DIR}/lanternfall-icon-file
  COMMAND ${PROJECT_BINARY_DIR}/lanternfall-icon-file ${LANTERNFALL_ICO}
  DEPENDS ${PROJECT_SOURCE_DIR}/dist/windows/icon_file.cpp ${PROJECT_SOURCE_DIR}/ui/icon.cpp
  COMMENT "Drawing the lantern icon")
# For the other programs that carry the icon (the preview): a target that draws it before they build.
add_custom_target(lanternfall_icon DEPENDS ${LANTERNFALL_ICO})
set(LANTERNFALL_MANIFEST ${PROJECT_BINARY_DIR}/lanternfall.manifest)
set(LANTERNFALL_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
set(LANTERNFALL_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
configure_file(platform/win32/lanternfall.manifest ${LANTERNFALL_MANIFEST} @ONLY)
configure_file(platform/win32/lanternfall.rc.in ${PROJECT_BINARY_DIR}/lanternfall.rc @ONLY)
set_source_files_properties(${PROJECT_BINARY_DIR}/lanternfall.rc PROPERTIES
  OBJECT_DEPENDS "${LANTERNFALL_ICO};${LANTERNFALL_MANIFEST}")

# A GUI program: no console window behind the game.
add_executable(lanternfall WIN32 main.cpp ${PROJECT_BINARY_DIR}/lanternfall.rc ${LANTERNFALL_ICO})
target_link_libraries(lanternfall PRIVATE lanternfall_core)
target_compile_options(lanternfall PRIVATE ${LANTERNFALL_WARNINGS})

# The game reads its content from beside the executable.
add_custom_target(content ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/content ${PROJECT_BINARY_DIR}
  COMMENT "Copying bundled content beside the executable")
add_dependencies(lanternfall content)

# The author tools that need nothing of Linux (tools/CMakeLists.txt chooses them).
add_subdirectory(tools)

option(BUILD_TESTING "Build the tests" ON)
if(BUILD_TESTING)
  enable_testing()
  add_subdirectory(tests/windows)
endif()

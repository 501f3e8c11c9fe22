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

option(BUILD_TESTING "Build the tests" ON)
if(BUILD_TESTING)
  enable_testing()
  add_subdirectory(tests/windows)
endif()

# The platform floor on Windows: the same three targets as on Linux, with the system's own services
# (kernel32, WIC, winmm, GDI, SAPI; XInput loaded when present) in place of iconv, libjpeg-turbo, FluidSynth and SDL. Included from
# platform/CMakeLists.txt, so paths are relative to platform/.
add_library(lanternfall_runtime STATIC ${RUNTIME_SOURCES})
target_include_directories(lanternfall_runtime PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(lanternfall_runtime PUBLIC Threads::Threads)
target_compile_options(lanternfall_runtime PRIVATE ${LANTERNFALL_WARNINGS})

# Files and formats. The POSIX file access, iconv, libjpeg-turbo and the FluidSynth sequencer stay on
# Linux; the MIDI reader and the line reader are the same on both systems.
file(GLOB MEDIA_SOURCES CONFIGURE_DEPENDS media/*.cpp)
list(REMOVE_ITEM MEDIA_SOURCES
     ${CMAKE_CURRENT_SOURCE_DIR}/media/content_file.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/media/cp932_iconv.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/media/executable_path_linux.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/media/image.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/media/mci.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/media/sdl_subsystems.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/media/sequencer.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/media/music_mute.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/media/speech_dispatcher.cpp)
add_library(lanternfall_media STATIC ${MEDIA_SOURCES})
target_link_libraries(lanternfall_media PUBLIC lanternfall_runtime PRIVATE windowscodecs ole32 winmm)
target_compile_options(lanternfall_media PRIVATE ${LANTERNFALL_WARNINGS})

# The window, the GDI renderer and the fonts.
add_library(lanternfall_win32 STATIC win32/gdi_fonts.cpp win32/gdi_renderer.cpp win32/input_translation.cpp
            win32/text_measure.cpp win32/window_backend.cpp win32/window_icon.cpp win32/xinput_pads.cpp)
target_link_libraries(lanternfall_win32 PUBLIC lanternfall_runtime PRIVATE gdi32 user32)
target_compile_options(lanternfall_win32 PRIVATE ${LANTERNFALL_WARNINGS})

# The whole floor, for the game and the tools that stand on all of it.
add_library(lanternfall_platform INTERFACE)
target_link_libraries(lanternfall_platform INTERFACE lanternfall_runtime lanternfall_media lanternfall_win32)
target_compile_definitions(lanternfall_platform INTERFACE
  LANTERNFALL_WINDOW_BACKEND_HEADER="platform/win32/window_backend.h")

// The window backend of this build: SDL on Linux, Win32 on Windows, named by CMake in
// LANTERNFALL_WINDOW_BACKEND_HEADER, so that main names no backend and asks no system which it is.
// Both declare platform::WindowBackend with open(), and are the loop's InputSource.
#pragma once

#include LANTERNFALL_WINDOW_BACKEND_HEADER

// Lanternfall: create the window, run start-up, show it, run the loop until the window is closed.
#include "app/game_window.h"

int main() { return runGameWindow("lanternfall"); }

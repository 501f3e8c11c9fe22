// Lanternfall: the game's window on the content beside the executable, until the window is closed.
#include "app/game_window.h"
#include "platform/media/executable_path.h"

int main() {
  platform::installExecutablePath();  // the content lies beside the executable
  return runGameWindow("lanternfall");
}

// Muting the music for the rest of the run (the game's M key). The music plays on unheard, so its loop and
// its place in the tune go on, and a restart of the loop or a newly opened device stays muted. The state
// is never stored: the next run starts with the music on. Called on the user-interface thread.
#pragma once

namespace platform {

void setMusicMuted(bool muted);
bool musicMuted();

}  // namespace platform

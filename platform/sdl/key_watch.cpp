// Function-key presses counted from SDL's event queue.
#include "platform/sdl/key_watch.h"

#include <SDL.h>

namespace platform {

FunctionKeyWatch::FunctionKeyWatch(int number) : keyCode_(SDLK_F1 + (number - 1)) {
  SDL_AddEventWatch(&FunctionKeyWatch::onEvent, this);
}

FunctionKeyWatch::~FunctionKeyWatch() { SDL_DelEventWatch(&FunctionKeyWatch::onEvent, this); }

int FunctionKeyWatch::onEvent(void* self, SDL_Event* e) {
  auto* watch = static_cast<FunctionKeyWatch*>(self);
  if (e->type == SDL_KEYDOWN && !e->key.repeat && e->key.keysym.sym == watch->keyCode_) ++watch->presses_;
  return 1;  // the event stays in the queue for the window backend
}

}  // namespace platform

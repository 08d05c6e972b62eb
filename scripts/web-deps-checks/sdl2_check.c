/* sdl2_check.c: smoke check of the browser build's SDL2 in node: SDL_Init(SDL_INIT_TIMER |
 * SDL_INIT_EVENTS), a user event round trip, the software renderer and a scaled blit on
 * memory surfaces (exact pixels), an audio format conversion, the emscripten video and audio
 * drivers being compiled in, and a 30 ms timer that fires from the browser's event loop, not
 * early. Prints "ok" and exits 0 from the timer, or names what failed and exits 1. */
#include <SDL.h>
#include <emscripten.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static Uint64 started;

static int Fail(const char* what) {
  printf("SDL2: %s: %s\n", what, SDL_GetError());
  exit(1);
  return 1;
}

static Uint32 Pixel(SDL_Surface* s, int x, int y) {
  return ((const Uint32*)((const Uint8*)s->pixels + y * s->pitch))[x];
}

static Uint32 OnTimer(Uint32 interval, void* param) {
  (void)interval;
  (void)param;
  Uint64 waited = SDL_GetTicks64() - started;
  if (waited < 30) {
    printf("SDL2: the 30 ms timer fired after %u ms\n", (unsigned)waited);
    emscripten_force_exit(1);
  }
  printf("ok SDL2 %d.%d.%d: init, events, software renderer, scaled blit, audio conversion, "
         "drivers, timer after %u ms\n",
         SDL_MAJOR_VERSION, SDL_MINOR_VERSION, SDL_PATCHLEVEL, (unsigned)waited);
  SDL_Quit();
  emscripten_force_exit(0);
  return 0;
}

static int HasDriver(int count, const char* (*name)(int), const char* wanted) {
  for (int i = 0; i < count; ++i)
    if (strcmp(name(i), wanted) == 0) return 1;
  return 0;
}

int main(void) {
  if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) return Fail("SDL_Init");

  SDL_Event sent = {.type = SDL_USEREVENT}, got;
  sent.user.code = 1234;
  if (SDL_PushEvent(&sent) != 1) return Fail("SDL_PushEvent");
  if (!SDL_PollEvent(&got) || got.type != SDL_USEREVENT || got.user.code != 1234)
    return Fail("the pushed user event did not come back");

  SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!target) return Fail("SDL_CreateRGBSurfaceWithFormat");
  SDL_Renderer* r = SDL_CreateSoftwareRenderer(target);
  if (!r) return Fail("SDL_CreateSoftwareRenderer");
  SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
  SDL_RenderClear(r);
  SDL_SetRenderDrawColor(r, 255, 128, 0, 255);
  SDL_Rect box = {1, 1, 2, 2};
  SDL_RenderFillRect(r, &box);
  SDL_RenderPresent(r);
  if (Pixel(target, 0, 0) != 0xFF000000u || Pixel(target, 1, 1) != 0xFFFF8000u ||
      Pixel(target, 2, 2) != 0xFFFF8000u || Pixel(target, 3, 3) != 0xFF000000u) {
    printf("SDL2: the software renderer drew %08x %08x %08x %08x\n", Pixel(target, 0, 0),
           Pixel(target, 1, 1), Pixel(target, 2, 2), Pixel(target, 3, 3));
    return 1;
  }
  SDL_DestroyRenderer(r);

  SDL_Surface* small = SDL_CreateRGBSurfaceWithFormat(0, 2, 1, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!small) return Fail("SDL_CreateRGBSurfaceWithFormat");
  ((Uint32*)small->pixels)[0] = 0xFF0000FFu;
  ((Uint32*)small->pixels)[1] = 0xFF00FF00u;
  SDL_Rect whole = {0, 0, 4, 4};
  if (SDL_BlitScaled(small, NULL, target, &whole) != 0) return Fail("SDL_BlitScaled");
  if (Pixel(target, 0, 3) != 0xFF0000FFu || Pixel(target, 3, 0) != 0xFF00FF00u) {
    printf("SDL2: the scaled blit gave %08x and %08x\n", Pixel(target, 0, 3), Pixel(target, 3, 0));
    return 1;
  }
  SDL_FreeSurface(small);
  SDL_FreeSurface(target);

  SDL_AudioCVT cvt;
  if (SDL_BuildAudioCVT(&cvt, AUDIO_S16SYS, 1, 22050, AUDIO_F32SYS, 2, 44100) <= 0)
    return Fail("SDL_BuildAudioCVT");
  Sint16 samples[256];
  for (int i = 0; i < 256; ++i) samples[i] = 16384;
  cvt.len = sizeof samples;
  cvt.buf = (Uint8*)SDL_malloc((size_t)cvt.len * (size_t)cvt.len_mult);
  memcpy(cvt.buf, samples, sizeof samples);
  if (SDL_ConvertAudio(&cvt) != 0) return Fail("SDL_ConvertAudio");
  const float* f = (const float*)cvt.buf;
  int frames = cvt.len_cvt / (int)(2 * sizeof(float));
  float mid = f[frames];  /* a left sample away from the resampler's edges */
  if (frames < 500 || frames > 524 || mid < 0.45f || mid > 0.55f) {
    printf("SDL2: 256 mono frames at 22050 Hz became %d stereo frames at 44100 Hz, middle %g\n",
           frames, mid);
    return 1;
  }
  SDL_free(cvt.buf);

  if (!HasDriver(SDL_GetNumVideoDrivers(), SDL_GetVideoDriver, "emscripten"))
    return Fail("no emscripten video driver");
  if (!HasDriver(SDL_GetNumAudioDrivers(), SDL_GetAudioDriver, "emscripten"))
    return Fail("no emscripten audio driver");

  started = SDL_GetTicks64();
  if (SDL_AddTimer(30, OnTimer, NULL) == 0) return Fail("SDL_AddTimer");
  emscripten_exit_with_live_runtime();
  return 0;
}

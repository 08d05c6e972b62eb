// The headless clock is header-only; this unit keeps the back end's one-file-per-header layout.
#include "player/backend/headless/headless_clock.h"

// Fixture for the include check: a display command that uses the display model below it.
#include "player/display/display_services.h"
#include "player/display/layer_stack.h"
#include "player/engine/command.h"

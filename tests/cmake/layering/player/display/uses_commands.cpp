// Fixture for the include check: a display model file that reaches up into the display commands.
#include "player/display/commands/layer_commands.h"
#include "player/display/layer_stack.h"

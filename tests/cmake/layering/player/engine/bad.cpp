// Fixture for the include check: an engine file that reaches up into the shell.
#include "player/engine/game_services.h"
  #  include "player/shell/game_system.h"

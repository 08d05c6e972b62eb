// Fixture for the include check: an engine file that keeps to the layer order.
#include "player/common/error.h"
#include "player/engine/game_services.h"
#include "player/vars/param_manager.h"

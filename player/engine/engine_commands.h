#pragma once
// Registration of the engine's own command classes, and stand-ins for the keywords a registry
// leaves without a class: a registry with the engine's commands alone (the engine's own tests
// parse whole pages that way) still gives every keyword line its command index.
#include <string_view>

namespace mavlet {

class CommandRegistry;

// Class name of each keyword-table entry ("TComJump" for "Jump").
std::string_view CommandClassName(int keyword_index);

// Flow, calculation, state and wait commands.
void RegisterEngineCommands(CommandRegistry& registry);
// Every keyword still without a class gets a stand-in that parses Flags and Cond and moves on,
// so its line still takes its command index.
void RegisterPlaceholders(CommandRegistry& registry);

}  // namespace mavlet

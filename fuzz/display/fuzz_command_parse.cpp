// Any bytes as the argument text of every command of the player: parsing must finish
// without a crash and keep the invariants that later steps rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "player/display/commands/choice_commands.h"
#include "player/engine/command_registry.h"
#include "player/shell/command_set.h"

namespace {

const mavlet::CommandRegistry& Registry() {
  static const mavlet::CommandRegistry registry = [] {
    mavlet::CommandRegistry r;
    mavlet::RegisterAllCommands(r);
    return r;
  }();
  return registry;
}

void Check(const mavlet::TCommand& command, std::string_view args) {
  if (auto* sel = dynamic_cast<const mavlet::TComSelStr*>(&command)) {
    if (sel->args().rows < 1) std::abort();
    for (const auto& item : sel->args().items) {
      if (item.Text.empty() || item.Target.Com < 0) std::abort();
    }
  }
  if (auto* map = dynamic_cast<const mavlet::TComSelMap*>(&command)) {
    for (const auto& region : map->args().regions) {
      // Every point needs at least one byte of its own in the text.
      if (region.Points.size() > args.size()) std::abort();
      for (const auto& target : region.Actions) {
        if (target.Com < 0) std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view args(reinterpret_cast<const char*>(data), size);
  const mavlet::CommandRegistry& registry = Registry();
  for (int i = 0; i < mavlet::kKeywordCount; ++i) {
    std::unique_ptr<mavlet::TCommand> command = registry.Create(i, nullptr);
    if (!command) continue;
    command->Parse(args);
    Check(*command, args);
  }
  return 0;
}

// Scenario text of any bytes parsed into a page: every keyword class parses its fields.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "player/engine/command_registry.h"
#include "player/engine/page.h"
#include "player/shell/command_set.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const mavlet::CommandRegistry* registry = [] {
    auto* r = new mavlet::CommandRegistry;
    mavlet::RegisterAllCommands(*r);
    return r;
  }();
  mavlet::TPage page(nullptr);
  page.ParseText(std::string_view(reinterpret_cast<const char*>(data), size), *registry);
  for (int i = 0; i < page.Count(); ++i) {
    mavlet::TCommand* c = page.At(i);
    (void)c->IsNonStop();
    (void)c->ParsedCond();
    (void)c->NextCommand();
  }
  return 0;
}

#include "player/debug/scripted_debug.h"

#include "player/common/encoding.h"

namespace mavlet {

void ScriptedDebug::AddBreak(std::string_view name, const std::optional<std::string>& value) {
  const std::optional<std::string> sjis_name = Utf8ToSjis(name);
  const std::optional<std::string> sjis_value = Utf8ToSjis(value.value_or(std::string()));
  refused_ = !sjis_name || !sjis_value || !core_.AddBreak(*sjis_name, *sjis_value);
}

}  // namespace mavlet

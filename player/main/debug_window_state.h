#pragma once
// What only the debug window's drawing keeps between frames: selections, the break dialog's
// fields, the slot viewer's lines. Shared by the window's two source files.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "player/debug/debug_core.h"
#include "player/main/debug_window.h"

namespace mavlet {

// What only the drawing needs: selections, the dialog's fields, the slot viewer's lines.
struct DebugWindow::Ui {
  std::array<std::uint64_t, DebugCore::kPages> seen_lines{};  // lines seen per page, dropped included
  std::optional<std::uint64_t> selected_variable;             // variable id
  int slot = 0;
  std::vector<std::string> slot_lines;
  // The break dialog: -1 adds, otherwise the index being edited.
  bool open_dialog = false;
  int dialog_index = -1;
  std::string dialog_name;
  std::string dialog_value;
  std::string dialog_error;
  bool inspector_visible = false;
};

}  // namespace mavlet

#include "player/main/debug_window.h"

#include <imgui.h>
#include <imgui_impl_sdl.h>
#include <imgui_impl_sdlrenderer.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <cfloat>
#include <optional>

#include "player/backend/sdl/sdl_input.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/debug/debug_core.h"
#include "player/debug/inspector.h"
#include "player/shell/game_system.h"

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

namespace {

constexpr std::uint64_t kRefreshMs = 50;
constexpr std::uint64_t kThumbRefreshMs = 500;
constexpr int kThumbWidth = 96;
constexpr int kThumbHeight = 72;

std::string Utf8(const std::string& sjis) { return SjisToUtf8(sjis); }

}  // namespace

DebugWindow::DebugWindow(DebugCore& core, TBookManager& book, TGameSystem& sys, SDL_Window* play_window,
                         const SdlInputState& play_input, const std::string& font_file, Log& log)
    : core_(core), book_(book), sys_(sys), log_(log), play_input_(play_input), ui_(std::make_unique<Ui>()) {
  int px = SDL_WINDOWPOS_UNDEFINED, py = SDL_WINDOWPOS_UNDEFINED, pw = 0, ph = 0;
  if (play_window != nullptr) {
    SDL_GetWindowPosition(play_window, &px, &py);
    SDL_GetWindowSize(play_window, &pw, &ph);
  }
  int width = 560;
  const int height = std::max(ph, 600);
  int x = px + pw + 8;
  SDL_Rect bounds;
  const int display = play_window != nullptr ? SDL_GetWindowDisplayIndex(play_window) : 0;
  if (play_window != nullptr && SDL_GetDisplayBounds(std::max(display, 0), &bounds) == 0 &&
      x + width > bounds.x + bounds.w) {
    // No room on the right: the two windows share the screen side by side, the debug window
    // narrower when it must be, the play window moved left.
    width = std::clamp(bounds.w - pw - 8, 360, width);
    const int left = bounds.x + std::max(0, (bounds.w - pw - 8 - width) / 2);
    SDL_SetWindowPosition(play_window, left, py);
    x = std::min(left + pw + 8, bounds.x + bounds.w - width);
  }
  // Shown without taking the focus from the play window.
  SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, "1");
  window_ = SDL_CreateWindow("デバッグ", x, py, width, height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_SKIP_TASKBAR);
  if (window_ == nullptr) throw MavError(std::string("the debug window cannot be opened: ") + SDL_GetError());
  renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
  if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (renderer_ == nullptr) {
    const std::string why = SDL_GetError();
    SDL_DestroyWindow(window_);
    throw MavError("the debug window cannot draw: " + why);
  }
  window_id_ = SDL_GetWindowID(window_);
  // The play window keeps the keyboard (the window system may have handed it to the new one).
  if (play_window != nullptr) {
    SDL_RaiseWindow(play_window);
    SDL_SetWindowInputFocus(play_window);
  }

  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.LogFilename = nullptr;
  // The cursor belongs to the title (SetCursor): never change it.
  io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;
  ImGui::StyleColorsLight();
  ImFontConfig config;
  config.OversampleH = 1;
  config.PixelSnapH = true;
  if (font_file.empty() ||
      io.Fonts->AddFontFromFileTTF(font_file.c_str(), 14.0f, &config, io.Fonts->GetGlyphRangesJapanese()) == nullptr) {
    log_.Warn("debug window: no Japanese font found; captions may not show");
    io.Fonts->AddFontDefault();
  }
  ImGui_ImplSDL2_InitForSDLRenderer(window_);
  ImGui_ImplSDLRenderer_Init(renderer_);
}

DebugWindow::~DebugWindow() {
  for (SDL_Texture* t : thumbs_)
    if (t != nullptr) SDL_DestroyTexture(t);
  ImGui_ImplSDLRenderer_Shutdown();
  ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext();
  SDL_DestroyRenderer(renderer_);
  SDL_DestroyWindow(window_);
}

void DebugWindow::Show() {
  SDL_ShowWindow(window_);
  dirty_ = true;
}

bool DebugWindow::Shown() const { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0; }

bool DebugWindow::HandleEvent(const SDL_Event& e) {
  std::uint32_t id = 0;
  switch (e.type) {
    case SDL_WINDOWEVENT:
      id = e.window.windowID;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      id = e.key.windowID;
      break;
    case SDL_TEXTINPUT:
      id = e.text.windowID;
      break;
    case SDL_TEXTEDITING:
      id = e.edit.windowID;
      break;
    case SDL_MOUSEMOTION:
      id = e.motion.windowID;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      id = e.button.windowID;
      break;
    case SDL_MOUSEWHEEL:
      id = e.wheel.windowID;
      break;
    default:
      return false;
  }
  if (id != window_id_) return false;
  dirty_ = true;
  if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) {
    // The window has no close of its own: it hides, and the player goes on.
    SDL_HideWindow(window_);
    return true;
  }
  // A click here means the user turned to this window: it takes the keyboard (window systems
  // without a window manager would leave it with the play window).
  if (e.type == SDL_MOUSEBUTTONDOWN && SDL_GetKeyboardFocus() != window_) SDL_SetWindowInputFocus(window_);
  if (e.type == SDL_MOUSEBUTTONDOWN && e.button.button >= 1 && e.button.button <= 3)
    mouse_pressed_[e.button.button == SDL_BUTTON_LEFT ? 0 : e.button.button == SDL_BUTTON_RIGHT ? 1 : 2] = true;
  ImGui_ImplSDL2_ProcessEvent(&e);
  return true;
}

// The platform half of a frame, done here rather than by the SDL back end of ImGui, which
// would read the mouse buttons held over the play window and capture the mouse for them.
void DebugWindow::NewFrame() {
  ImGuiIO& io = ImGui::GetIO();
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  io.DisplaySize = ImVec2(static_cast<float>(w), static_cast<float>(h));
  const std::uint64_t now = SDL_GetTicks64();
  io.DeltaTime = last_frame_ == 0 ? 1.0f / 30 : std::max(0.001f, static_cast<float>(now - last_frame_) / 1000.0f);
  last_frame_ = now;
  io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
  int mx = 0, my = 0;
  const Uint32 buttons = SDL_GetMouseState(&mx, &my);
  const bool ours = SDL_GetMouseFocus() == window_;
  if (ours) io.MousePos = ImVec2(static_cast<float>(mx), static_cast<float>(my));
  // A press where the pointer has just arrived waits one frame: items that allow overlap (the
  // tabs) take a press only where the pointer already was.
  const bool moved = mx != last_mouse_[0] || my != last_mouse_[1];
  last_mouse_ = {mx, my};
  if (moved && (mouse_pressed_[0] || mouse_pressed_[1] || mouse_pressed_[2])) {
    for (bool& down : io.MouseDown) down = false;
    dirty_ = true;
    return;
  }
  const Uint32 masks[3] = {SDL_BUTTON(SDL_BUTTON_LEFT), SDL_BUTTON(SDL_BUTTON_RIGHT), SDL_BUTTON(SDL_BUTTON_MIDDLE)};
  for (int i = 0; i < 3; ++i) {
    io.MouseDown[i] = mouse_pressed_[static_cast<std::size_t>(i)] || (ours && (buttons & masks[i]) != 0);
    mouse_pressed_[static_cast<std::size_t>(i)] = false;
  }
}

void DebugWindow::Frame() {
  if (!Shown()) return;
  const std::uint64_t now = SDL_GetTicks64();
  if (!dirty_ && now - last_frame_ < kRefreshMs) return;
  dirty_ = false;
  ImGui_ImplSDLRenderer_NewFrame();
  NewFrame();
  ImGui::NewFrame();
  DrawContents();
  ImGui::Render();
  UpdateTextInput();
  SDL_SetRenderDrawColor(renderer_, 240, 240, 240, 255);
  SDL_RenderClear(renderer_);
  ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
  SDL_RenderPresent(renderer_);
}

void DebugWindow::DrawContents() {
  const ImGuiIO& io = ImGui::GetIO();
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(io.DisplaySize);
  ImGui::Begin("###debug", nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                   ImGuiWindowFlags_NoBringToFrontOnFocus);
  ui_->inspector_visible = false;
  if (ImGui::BeginTabBar("###tabs")) {
    if (ImGui::BeginTabItem("ｺﾏﾝﾄﾞ ﾛｸﾞ###log")) {
      DrawLogTab();
      ImGui::EndTabItem();
    }
    if (ImGui::BeginTabItem("変数###vars")) {
      DrawVariablesTab();
      ImGui::EndTabItem();
    }
    if (ImGui::BeginTabItem("表示###inspector")) {
      ui_->inspector_visible = true;
      DrawInspectorTab();
      ImGui::EndTabItem();
    }
    ImGui::EndTabBar();
  }
  DrawBreakDialog();
  ImGui::End();
}

void DebugWindow::DrawLogTab() {
  ImGui::TextUnformatted("ｺﾏﾝﾄﾞ ﾛｸﾞ：");
  ImGui::SameLine();
  bool stop = core_.StopLogging();
  if (ImGui::Checkbox("停止###CheckStop", &stop)) core_.SetStopLogging(stop);
  ImGui::SameLine();
  bool step = core_.StepMode();
  if (ImGui::Checkbox("ｽﾃｯﾌﾟ###CheckStep", &step)) core_.SetStepMode(step);
  ImGui::SameLine();
  if (ImGui::Button("次へ###btnStep")) core_.Next();
  ImGui::SameLine();
  ImGui::TextDisabled(core_.Stopped() ? "[停止中]" : "");
  const float slot_height = 170.0f;
  if (ImGui::BeginTabBar("###pages")) {
    for (int p = 0; p < DebugCore::kPages; ++p) {
      const std::string caption = std::string(DebugCore::kPageCaptions[p]) + "###page" + std::to_string(p);
      if (!ImGui::BeginTabItem(caption.c_str())) continue;
      const DebugLogPage& page = core_.Page(p);
      ImGui::BeginChild("###lines", ImVec2(0, -slot_height), true, ImGuiWindowFlags_HorizontalScrollbar);
      ImGuiListClipper clipper;
      clipper.Begin(static_cast<int>(page.lines.size()));
      while (clipper.Step()) {
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
          const bool last = i + 1 == static_cast<int>(page.lines.size());
          ImGui::Selectable(page.lines[static_cast<std::size_t>(i)].text.c_str(), last);
        }
      }
      // A new line is selected and scrolled into view, as the list does.
      const std::uint64_t total = page.dropped + page.lines.size();
      if (total != ui_->seen_lines[static_cast<std::size_t>(p)]) {
        ui_->seen_lines[static_cast<std::size_t>(p)] = total;
        ImGui::SetScrollY(1e9f);  // clamped to the end at the next frame
      }
      ImGui::EndChild();
      ImGui::EndTabItem();
    }
    ImGui::EndTabBar();
  }
  // The save slot viewer.
  ImGui::SetNextItemWidth(100);
  if (ImGui::InputInt("###spinReg", &ui_->slot)) ui_->slot = std::clamp(ui_->slot, 0, 99);
  ImGui::SameLine();
  if (ImGui::Button("ﾚｼﾞｽﾄﾘ###btnReg")) ui_->slot_lines = core_.SlotLines(ui_->slot);
  ImGui::BeginChild("###ListReg", ImVec2(0, 0), true, ImGuiWindowFlags_HorizontalScrollbar);
  ImGuiListClipper clipper;
  clipper.Begin(static_cast<int>(ui_->slot_lines.size()));
  while (clipper.Step())
    for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i)
      ImGui::TextUnformatted(ui_->slot_lines[static_cast<std::size_t>(i)].c_str());
  ImGui::EndChild();
}

void DebugWindow::DrawVariablesTab() {
  // Breakpoints.
  ImGui::TextUnformatted("ブレーク");
  const std::vector<DebugBreak>& breaks = core_.Breaks();
  if (ImGui::BeginTable("###ListBreak", 3,
                        ImGuiTableFlags_Borders | ImGuiTableFlags_ScrollY | ImGuiTableFlags_Resizable,
                        ImVec2(0, 140))) {
    ImGui::TableSetupColumn("変数", ImGuiTableColumnFlags_WidthFixed, 100);
    ImGui::TableSetupColumn("条件", ImGuiTableColumnFlags_WidthFixed, 100);
    ImGui::TableSetupColumn("状態", ImGuiTableColumnFlags_WidthFixed, 80);
    ImGui::TableHeadersRow();
    for (std::size_t i = 0; i < breaks.size(); ++i) {
      const DebugBreak& b = breaks[i];
      ImGui::TableNextRow();
      ImGui::TableSetColumnIndex(0);
      ImGui::PushID(static_cast<int>(i));
      const std::string name = Utf8(b.name);
      if (ImGui::Selectable(name.c_str(), b.selected,
                            ImGuiSelectableFlags_SpanAllColumns | ImGuiSelectableFlags_AllowDoubleClick)) {
        // Ctrl adds to the selection, as in the list view.
        core_.SelectBreak(i, ImGui::GetIO().KeyCtrl);
        if (ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left)) {
          ui_->open_dialog = true;
          ui_->dialog_index = static_cast<int>(i);
          ui_->dialog_name = name;
          ui_->dialog_value = Utf8(b.value);
        }
      }
      ImGui::PopID();
      ImGui::TableSetColumnIndex(1);
      ImGui::TextUnformatted(Utf8(b.value).c_str());
      ImGui::TableSetColumnIndex(2);
      ImGui::TextUnformatted(DebugCore::StateText(b));
    }
    if (ImGui::BeginPopupContextWindow("###breakmenu")) {
      if (ImGui::MenuItem("追加...")) {
        ui_->open_dialog = true;
        ui_->dialog_index = -1;
        ui_->dialog_name.clear();
        ui_->dialog_value.clear();
      }
      if (ImGui::MenuItem("削除", nullptr, false, core_.AnyBreakSelected())) core_.DeleteSelectedBreaks();
      if (ImGui::MenuItem("一時停止", nullptr, false, core_.AnyBreakSelected())) core_.TogglePauseSelected();
      ImGui::EndPopup();
    }
    ImGui::EndTable();
  }
  // Variables.
  ImGui::TextUnformatted("変数：");
  ImGui::SameLine();
  bool freeze = core_.FreezeVariables();
  if (ImGui::Checkbox("停止###CheckStopPara", &freeze)) core_.SetFreezeVariables(freeze);
  ImGui::SameLine();
  bool system = core_.ShowSystemValues();
  if (ImGui::Checkbox("ｼｽﾃﾑ変数###CheckSys", &system)) core_.SetShowSystemValues(system);
  const std::vector<VariableRow>& rows = core_.Variables();
  if (ImGui::BeginTable("###ListViewParam", 3,
                        ImGuiTableFlags_Borders | ImGuiTableFlags_ScrollY | ImGuiTableFlags_Resizable)) {
    ImGui::TableSetupScrollFreeze(0, 1);
    ImGui::TableSetupColumn("名前", ImGuiTableColumnFlags_WidthFixed, 120);
    ImGui::TableSetupColumn("値", ImGuiTableColumnFlags_WidthFixed, 100);
    ImGui::TableSetupColumn("ﾛｰｶﾙ", ImGuiTableColumnFlags_WidthStretch);
    ImGui::TableHeadersRow();
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(rows.size()));
    while (clipper.Step()) {
      for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
        const VariableRow& r = rows[static_cast<std::size_t>(i)];
        ImGui::TableNextRow();
        ImGui::TableSetColumnIndex(0);
        ImGui::PushID(static_cast<int>(r.id));
        if (ImGui::Selectable(r.name_text.c_str(), ui_->selected_variable == r.id, ImGuiSelectableFlags_SpanAllColumns))
          ui_->selected_variable = r.id;
        ImGui::PopID();
        ImGui::TableSetColumnIndex(1);
        ImGui::TextUnformatted(r.value_text.c_str());
        ImGui::TableSetColumnIndex(2);
        ImGui::TextUnformatted(r.temporary ? "Y" : "N");
      }
    }
    if (ImGui::BeginPopupContextWindow("###varmenu")) {
      const auto selected =
          std::find_if(rows.begin(), rows.end(), [&](const VariableRow& r) { return ui_->selected_variable == r.id; });
      if (ImGui::MenuItem("ブレーク作成...", nullptr, false, selected != rows.end())) {
        ui_->open_dialog = true;
        ui_->dialog_index = -1;
        ui_->dialog_name = selected->name_text;
        ui_->dialog_value.clear();
      }
      ImGui::EndPopup();
    }
    ImGui::EndTable();
  }
}

void DebugWindow::DrawBreakDialog() {
  if (ui_->open_dialog) {
    ImGui::OpenPopup("ブレーク###FormBreak");
    ui_->open_dialog = false;
    ui_->dialog_error.clear();
  }
  const ImVec2 centre(ImGui::GetIO().DisplaySize.x / 2, ImGui::GetIO().DisplaySize.y / 2);
  ImGui::SetNextWindowPos(centre, ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
  if (!ImGui::BeginPopupModal("ブレーク###FormBreak", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
  if (ImGui::IsWindowAppearing()) ImGui::SetKeyboardFocusHere();
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted("変数(&N)：");
  ImGui::SameLine(90);
  ImGui::SetNextItemWidth(200);
  ImGui::InputText("###EditName", &ui_->dialog_name);
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted("値(&V)：");
  ImGui::SameLine(90);
  ImGui::SetNextItemWidth(200);
  ImGui::InputText("###EditVal", &ui_->dialog_value);
  if (!ui_->dialog_error.empty()) ImGui::TextUnformatted(ui_->dialog_error.c_str());
  const bool enter = ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter));
  if (ImGui::Button("OK") || enter) {
    const std::optional<std::string> name = Utf8ToSjis(ui_->dialog_name);
    const std::optional<std::string> value = Utf8ToSjis(ui_->dialog_value);
    if (ui_->dialog_name.empty()) {
      ui_->dialog_error = "変数を入力してください";
    } else if (!name || !value) {
      ui_->dialog_error = "使えない文字があります";
    } else {
      const bool done = ui_->dialog_index < 0
                            ? core_.AddBreak(*name, *value)
                            : core_.EditBreak(static_cast<std::size_t>(ui_->dialog_index), *name, *value);
      if (done) ImGui::CloseCurrentPopup();
    }
  }
  ImGui::SameLine();
  if (ImGui::Button("キャンセル")) ImGui::CloseCurrentPopup();
  ImGui::EndPopup();
}

// SDL's text input is one switch for the whole program: on while a field here is edited (unless
// the title has it on already), back off afterwards unless the title took it meanwhile.
void DebugWindow::UpdateTextInput() {
  const bool want = ImGui::GetIO().WantTextInput;
  if (want && !text_input_ && !play_input_.TextInputOn()) {
    SDL_StartTextInput();
    text_input_ = true;
  } else if (!want && text_input_) {
    if (!play_input_.TextInputOn()) SDL_StopTextInput();
    text_input_ = false;
  }
}

void DebugWindow::UpdateThumbnails() {
  const std::uint64_t now = SDL_GetTicks64();
  if (last_thumbs_ != 0 && now - last_thumbs_ < kThumbRefreshMs) return;
  last_thumbs_ = now;
  for (int k = 0; k < 12; ++k) {
    const auto i = static_cast<std::size_t>(k);
    const Surface* picture = LayerPicture(sys_, k);
    const Thumbnail t = picture != nullptr ? MakeThumbnail(*picture, kThumbWidth, kThumbHeight) : Thumbnail{};
    if (t.width == 0) {
      thumb_size_[i] = {0, 0};
      continue;
    }
    if (thumbs_[i] == nullptr) {
      thumbs_[i] = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STREAMING, kThumbWidth,
                                     kThumbHeight);
      if (thumbs_[i] == nullptr) continue;
    }
    SDL_Rect area{0, 0, t.width, t.height};
    SDL_UpdateTexture(thumbs_[i], &area, t.rgba.data(), t.width * 4);
    thumb_size_[i] = {t.width, t.height};
  }
}

void DebugWindow::DrawInspectorTab() {
  UpdateThumbnails();
  const Inspection in = Inspect(book_, sys_);
  if (ImGui::CollapsingHeader("レイヤー", ImGuiTreeNodeFlags_DefaultOpen) &&
      ImGui::BeginTable("###layers", 9, ImGuiTableFlags_Borders | ImGuiTableFlags_SizingFixedFit)) {
    for (const char* c : {"#", "画像", "範囲", "表示", "透明度", "明るさ", "効果", "ｺﾏ", "縮小"})
      ImGui::TableSetupColumn(c);
    ImGui::TableHeadersRow();
    for (const LayerRow& l : in.layers) {
      ImGui::TableNextRow();
      ImGui::TableSetColumnIndex(0);
      ImGui::Text("%d", l.index);
      ImGui::TableSetColumnIndex(1);
      ImGui::TextUnformatted(l.name.c_str());
      ImGui::TableSetColumnIndex(2);
      ImGui::Text("%d,%d %dx%d", l.rect.left, l.rect.top, l.rect.Width(), l.rect.Height());
      ImGui::TableSetColumnIndex(3);
      ImGui::TextUnformatted(l.visible ? "ON" : "OFF");
      ImGui::TableSetColumnIndex(4);
      ImGui::Text("%d", l.alpha);
      ImGui::TableSetColumnIndex(5);
      ImGui::Text("%d", l.bright);
      ImGui::TableSetColumnIndex(6);
      ImGui::Text("%d %s", l.effect, l.effect_name);
      ImGui::TableSetColumnIndex(7);
      ImGui::Text("%d/%d", l.frame, l.frames);
      ImGui::TableSetColumnIndex(8);
      const auto i = static_cast<std::size_t>(l.index);
      if (l.index < 12 && thumbs_[i] != nullptr && thumb_size_[i][0] > 0) {
        const float w = static_cast<float>(thumb_size_[i][0]);
        const float h = static_cast<float>(thumb_size_[i][1]);
        ImGui::Image(static_cast<ImTextureID>(thumbs_[i]), ImVec2(w, h), ImVec2(0, 0),
                     ImVec2(w / kThumbWidth, h / kThumbHeight));
      }
    }
    ImGui::EndTable();
  }
  if (ImGui::CollapsingHeader("テキスト", ImGuiTreeNodeFlags_DefaultOpen)) {
    ImGui::Text("%d x %d  カーソル %d,%d  %s  %d,%d %dx%d", in.text.cols, in.text.rows, in.text.cursor_col,
                in.text.cursor_row, in.text.visible ? "ON" : "OFF", in.text.rect.left, in.text.rect.top,
                in.text.rect.Width(), in.text.rect.Height());
  }
  if (ImGui::CollapsingHeader("サウンド", ImGuiTreeNodeFlags_DefaultOpen) &&
      ImGui::BeginTable("###sound", 7, ImGuiTableFlags_Borders | ImGuiTableFlags_SizingFixedFit)) {
    for (const char* c : {"#", "ファイル", "ループ", "減衰", "再生", "フェード", "出力"}) ImGui::TableSetupColumn(c);
    ImGui::TableHeadersRow();
    for (const ChannelRow& c : in.channels) {
      ImGui::TableNextRow();
      ImGui::TableSetColumnIndex(0);
      ImGui::Text("%d", c.number + 1);
      ImGui::TableSetColumnIndex(1);
      ImGui::TextUnformatted(c.file.c_str());
      ImGui::TableSetColumnIndex(2);
      ImGui::TextUnformatted(c.loop ? "ON" : "OFF");
      ImGui::TableSetColumnIndex(3);
      ImGui::Text("%d", c.attenuation);
      ImGui::TableSetColumnIndex(4);
      ImGui::TextUnformatted(c.playing ? "ON" : "OFF");
      ImGui::TableSetColumnIndex(5);
      ImGui::TextUnformatted(c.fading ? "ON" : "OFF");
      ImGui::TableSetColumnIndex(6);
      ImGui::TextUnformatted(c.output ? "ON" : "OFF");
    }
    ImGui::EndTable();
  }
  if (ImGui::CollapsingHeader("ストリーム", ImGuiTreeNodeFlags_DefaultOpen) &&
      ImGui::BeginTable("###streams", 4, ImGuiTableFlags_Borders | ImGuiTableFlags_SizingFixedFit)) {
    for (const char* c : {"ストリーム", "位置", "開始ﾍﾟｰｼﾞ", "呼び出し"}) ImGui::TableSetupColumn(c);
    ImGui::TableHeadersRow();
    for (const StreamRow& s : in.streams) {
      ImGui::TableNextRow();
      ImGui::TableSetColumnIndex(0);
      ImGui::TextUnformatted(s.label);
      ImGui::TableSetColumnIndex(1);
      if (s.ended)
        ImGui::TextUnformatted("-");
      else
        ImGui::Text("%d:%d行目", s.page, s.com + 1);
      ImGui::TableSetColumnIndex(2);
      ImGui::Text("%d", s.int_page);
      ImGui::TableSetColumnIndex(3);
      std::string stack;
      for (const StackRow& e : s.stack) stack += std::to_string(e.page) + ":" + std::to_string(e.com + 1) + " ";
      ImGui::TextUnformatted(stack.c_str());
    }
    ImGui::EndTable();
  }
}

}  // namespace mavlet

// The debug window's pages: the command logs with the slot viewer beside the breakpoints and
// variables (one page, with the break dialog), and the inspector of layers, text window, sound
// and streams.
#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <optional>
#include <string>

#include "player/common/encoding.h"
#include "player/debug/debug_core.h"
#include "player/debug/inspector.h"
#include "player/main/debug_window.h"
#include "player/main/debug_window_state.h"

namespace mavlet {
namespace {

constexpr std::uint64_t kThumbRefreshMs = 500;
constexpr int kThumbWidth = 96;
constexpr int kThumbHeight = 72;

std::string Utf8(const std::string& sjis) { return SjisToUtf8(sjis); }

float CheckboxWidth(const char* label) {
  return ImGui::GetFrameHeight() + ImGui::GetStyle().ItemInnerSpacing.x + ImGui::CalcTextSize(label, nullptr, true).x;
}

float ButtonWidth(const char* label) {
  return ImGui::CalcTextSize(label, nullptr, true).x + 2 * ImGui::GetStyle().FramePadding.x;
}

// The next item goes on the same line when it fits there, else on a new line (a narrow pane).
void SameLineIfFits(float width) {
  const float right = ImGui::GetItemRectMax().x + ImGui::GetStyle().ItemSpacing.x + width;
  if (right <= ImGui::GetWindowPos().x + ImGui::GetWindowContentRegionMax().x) ImGui::SameLine();
}

// A field's caption with its access key underlined ("変数(N)：" with N underlined), as dialogs
// show "変数(&N)："; true when Alt and that key were pressed, to move the keyboard to the field.
bool AccessKeyCaption(const char* before, char key, const char* after) {
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted(before);
  ImGui::SameLine(0, 0);
  const char letter[2] = {key, '\0'};
  ImGui::TextUnformatted(letter);
  const ImVec2 lo = ImGui::GetItemRectMin();
  const ImVec2 hi = ImGui::GetItemRectMax();
  ImGui::GetWindowDrawList()->AddLine(ImVec2(lo.x, hi.y - 1), ImVec2(hi.x, hi.y - 1),
                                      ImGui::GetColorU32(ImGuiCol_Text));
  ImGui::SameLine(0, 0);
  ImGui::TextUnformatted(after);
  const ImGuiIO& io = ImGui::GetIO();
  // The platform half files keys by SDL scancode.
  return io.KeyAlt && !io.KeyCtrl && ImGui::IsKeyPressed(SDL_SCANCODE_A + (key - 'A'), false);
}

}  // namespace

void DebugWindow::DrawContents() {
  const ImGuiIO& io = ImGui::GetIO();
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(io.DisplaySize);
  ImGui::Begin("###debug", nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                   ImGuiWindowFlags_NoBringToFrontOnFocus);
  ui_->inspector_visible = false;
  if (ImGui::BeginTabBar("###tabs")) {
    // The command log and the variables share the first page, so a variable can be watched
    // while the main scenario is stepped.
    if (ImGui::BeginTabItem("ﾛｸﾞと変数###main")) {
      DrawMainPage();
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

// The log with the slot viewer on the left, the breakpoints and variables on the right; the
// border between them can be dragged.
void DebugWindow::DrawMainPage() {
  const ImVec2 avail = ImGui::GetContentRegionAvail();
  if (!ImGui::BeginTable("###split", 2, ImGuiTableFlags_Resizable | ImGuiTableFlags_BordersInnerV, avail)) return;
  ImGui::TableSetupColumn("###logcol", ImGuiTableColumnFlags_WidthStretch, 0.55f);
  ImGui::TableSetupColumn("###varcol", ImGuiTableColumnFlags_WidthStretch, 0.45f);
  ImGui::TableNextRow();
  ImGui::TableSetColumnIndex(0);
  if (ImGui::BeginChild("###logpane", ImVec2(0, avail.y))) DrawLogPane();
  ImGui::EndChild();
  ImGui::TableSetColumnIndex(1);
  if (ImGui::BeginChild("###varpane", ImVec2(0, avail.y))) DrawVariablesPane();
  ImGui::EndChild();
  ImGui::EndTable();
}

void DebugWindow::DrawLogPane() {
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted("ｺﾏﾝﾄﾞ ﾛｸﾞ：");
  SameLineIfFits(CheckboxWidth("停止"));
  bool stop = core_.StopLogging();
  if (ImGui::Checkbox("停止###CheckStop", &stop)) core_.SetStopLogging(stop);
  SameLineIfFits(CheckboxWidth("ｽﾃｯﾌﾟ"));
  bool step = core_.StepMode();
  if (ImGui::Checkbox("ｽﾃｯﾌﾟ###CheckStep", &step)) core_.SetStepMode(step);
  SameLineIfFits(ButtonWidth("次へ"));
  if (ImGui::Button("次へ###btnStep")) core_.Next();
  const char* state = core_.Stopped() ? "[停止中]" : "";
  SameLineIfFits(ImGui::CalcTextSize(state).x);
  ImGui::TextDisabled("%s", state);
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

void DebugWindow::DrawVariablesPane() {
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
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted("変数：");
  SameLineIfFits(CheckboxWidth("停止"));
  bool freeze = core_.FreezeVariables();
  if (ImGui::Checkbox("停止###CheckStopPara", &freeze)) core_.SetFreezeVariables(freeze);
  SameLineIfFits(CheckboxWidth("ｼｽﾃﾑ変数"));
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
  if (AccessKeyCaption("変数(", 'N', ")：")) ImGui::SetKeyboardFocusHere();
  ImGui::SameLine(90);
  ImGui::SetNextItemWidth(200);
  ImGui::InputText("###EditName", &ui_->dialog_name);
  if (AccessKeyCaption("値(", 'V', ")：")) ImGui::SetKeyboardFocusHere();
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

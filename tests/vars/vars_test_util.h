#pragma once
// Shared fixtures of the variable tests: a store with a few declared variables and hosts that
// record what the system values do.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "player/common/random.h"
#include "player/vars/local_time.h"
#include "player/vars/param_manager.h"
#include "player/vars/system_value_host.h"
#include "tests/support/manual_clock.h"

namespace mavlet::testing {

class FakeEngineHost : public NoEngineValues {
 public:
  TRandom* Random() override { return &random; }
  Clock* TickClock() override { return &clock; }
  LocalTimeSource* LocalTime() override { return &time; }
  std::string ReadSlotKey(int slot, std::string_view key, std::string_view fallback) override {
    ++slot_reads;
    const auto it = slots.find({slot, std::string(key)});
    return it == slots.end() ? std::string(fallback) : it->second;
  }
  void WriteSlotKey(int slot, std::string_view key, std::string_view value) override {
    slots[{slot, std::string(key)}] = std::string(value);
  }
  std::int32_t TextSpd() override { return text_spd; }
  void SetTextSpd(std::int32_t v) override { text_spd = v; }
  bool NoTextWait() override { return no_text_wait; }
  void SetNoTextWait(bool v) override { no_text_wait = v; }
  bool NoPaintBack() override { return no_paint_back; }
  void SetNoPaintBack(bool v) override { no_paint_back = v; }
  std::int32_t NowPage() override { return now_page; }
  void SetPendingPage(std::int32_t v) override { pending_page = v; }
  std::int32_t HistoryCount() override { return history_count; }

  TRandom random;
  testing::ManualClock clock;
  FixedLocalTime time;
  std::map<std::pair<int, std::string>, std::string> slots;
  int slot_reads = 0;
  std::int32_t text_spd = 3;
  bool no_text_wait = false;
  bool no_paint_back = false;
  std::int32_t now_page = 7;
  std::int32_t pending_page = -1;
  std::int32_t history_count = 0;
};

class FakeGameHost : public NoGameValues {
 public:
  std::string TextWindowText() override { return text; }
  void SetTextWindowText(std::string_view t) override { text = t; }
  std::int32_t LayerX(int layer) override { return x[layer]; }
  void SetLayerX(int layer, std::int32_t v) override { x[layer] = v; }
  std::int32_t LayerY(int layer) override { return y[layer]; }
  void SetLayerY(int layer, std::int32_t v) override { y[layer] = v; }
  bool LayerVisible(int layer) override { return visible[layer]; }
  void SetLayerVisible(int layer, bool v) override { visible[layer] = v; }
  std::string AttachmentSource(int layer, int k) override { return attach[{layer, k}]; }
  void SetAttachmentSource(int layer, int k, std::string_view src) override {
    attach[{layer, k}] = std::string(src);
  }
  bool DecidePressed() override { return std::exchange(decide_pressed, false); }
  bool CancelPressed() override { return std::exchange(cancel_pressed, false); }
  bool DecideHeld() override { return decide_held; }
  bool CancelHeld() override { return cancel_held; }
  bool CtrlHeld() override { return ctrl; }
  std::int32_t MouseX() override { return mouse_x; }
  std::int32_t MouseY() override { return mouse_y; }
  void MoveMouse(std::int32_t mx, std::int32_t my) override { mouse_x = mx, mouse_y = my; }
  std::vector<std::string> ScreenFonts() override { return fonts; }
  std::string UseFontsSetting() override { return use_fonts; }
  std::vector<std::int32_t> BitList() override { return bits; }
  void PlayChannelFile(int channel, std::string_view file) override {
    played.emplace_back(channel, std::string(file));
  }
  bool ChannelOutput(int channel) override { return out[channel]; }
  void SetChannelOutput(int channel, bool v) override { out[channel] = v; }
  void SetChannelVolume(int channel, std::int32_t v) override { vol[channel] = v; }

  std::string text;
  std::map<int, std::int32_t> x, y;
  std::map<int, bool> visible;
  std::map<std::pair<int, int>, std::string> attach;
  bool decide_pressed = false, cancel_pressed = false, decide_held = false, cancel_held = false;
  bool ctrl = false;
  std::int32_t mouse_x = 0, mouse_y = 0;
  std::vector<std::string> fonts;
  std::string use_fonts;
  std::vector<std::int32_t> bits;
  std::vector<std::pair<int, std::string>> played;
  std::map<int, bool> out;
  std::map<int, std::int32_t> vol;
};

// A store with the hosts attached and Score (number), Hero (string), Seen (flag) declared.
struct Store {
  Store() {
    params.SetEngineHost(&engine);
    params.SetGameHost(&game);
    params.Declare(0, "Score");
    params.Declare(1, "Hero");
    params.Declare(2, "Seen");
  }
  TParameter& Var(std::string_view name) {
    TParameter* p = params.Find(name);
    if (p == nullptr) throw std::runtime_error("no variable " + std::string(name));
    return *p;
  }
  FakeEngineHost engine;
  FakeGameHost game;
  TParamManager params;
};

}  // namespace mavlet::testing

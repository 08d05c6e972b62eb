#include "player/vars/param_system.h"

#include <cstdio>
#include <string>

#include "player/backend/clock.h"
#include "player/common/error.h"
#include "player/common/int_convert.h"
#include "player/common/log.h"
#include "player/common/random.h"
#include "player/vars/data_pack.h"
#include "player/vars/font_list.h"
#include "player/vars/local_time.h"
#include "player/vars/name_match.h"
#include "player/vars/param_manager.h"

namespace mavlet {
namespace {

// Sunday first: 日 月 火 水 木 金 土 in Shift-JIS.
constexpr const char* kWeekKanji[7] = {"\x93\xfa", "\x8c\x8e", "\x89\xce", "\x90\x85",
                                       "\x96\xd8", "\x8b\xe0", "\x93\x79"};

std::string Padded(std::int32_t value, int digits) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%.*d", digits, static_cast<int>(value));
  return buf;
}

int Weekday(const LocalDateTime& t) { return ((t.weekday % 7) + 7) % 7; }

LocalDateTime Now(EngineValueHost& engine) {
  LocalTimeSource* source = engine.LocalTime();
  return source != nullptr ? source->Now() : LocalDateTime{};
}

bool PackInstalled(EngineValueHost& engine, std::string_view word, int n) {
  FileServices* files = engine.Files();
  return files != nullptr && DataPackInstalled(*files, engine.TitleFolder(), word, n);
}

// The number and flag readings of the table (flags as 1 / 0).
std::int32_t ReadNumber(const SystemNameEntry& e, EngineValueHost& engine, GameValueHost& game) {
  switch (e.kind) {
    case SysKind::kRand: {
      TRandom* random = engine.Random();
      return random != nullptr ? static_cast<std::int32_t>(random->Next(65536)) : 0;
    }
    case SysKind::kYear: return Now(engine).year;
    case SysKind::kMonth: return Now(engine).month;
    case SysKind::kDay: return Now(engine).day;
    case SysKind::kHour: return Now(engine).hour;
    case SysKind::kMin: return Now(engine).minute;
    case SysKind::kSec: return Now(engine).second;
    case SysKind::kTextX: return game.TextX();
    case SysKind::kTextY: return game.TextY();
    case SysKind::kTextBoxX: return game.LayerX(9);
    case SysKind::kTextBoxY: return game.LayerY(9);
    case SysKind::kHistoryCount: return engine.HistoryCount();
    case SysKind::kSfcIdx: return game.LayerFrameIndex(e.a);
    case SysKind::kSfcX: return game.LayerX(e.a);
    case SysKind::kSfcY: return game.LayerY(e.a);
    case SysKind::kSfcWidth: return game.LayerWidth(e.a);
    case SysKind::kSfcHeight: return game.LayerHeight(e.a);
    case SysKind::kBright: return game.LayerBright(e.a);
    case SysKind::kVisible: return game.LayerVisible(e.a) ? 1 : 0;
    case SysKind::kTextSpd: return engine.TextSpd();
    case SysKind::kClickL: return game.DecidePressed() ? 1 : 0;
    case SysKind::kClickR: return game.CancelPressed() ? 1 : 0;
    case SysKind::kPushL: return game.DecideHeld() ? 1 : 0;
    case SysKind::kPushR: return game.CancelHeld() ? 1 : 0;
    case SysKind::kMouseX: return game.MouseX();
    case SysKind::kMouseY: return game.MouseY();
    case SysKind::kSelIdx: return game.LastChoiceIndex();
    case SysKind::kSelTop: return game.ChoiceTopRow();
    case SysKind::kBitList: return static_cast<std::int32_t>(game.BitList().size());
    case SysKind::kNowBit: return game.NowBit();
    case SysKind::kFullScr: return game.FullScreen() ? 1 : 0;
    case SysKind::kSoundOn: return game.SoundOn() ? 1 : 0;
    case SysKind::kNoTextWait: return engine.NoTextWait() ? 1 : 0;
    case SysKind::kTickCount: {
      Clock* clock = engine.TickClock();
      return clock != nullptr ? static_cast<std::int32_t>(clock->NowMs()) : 0;
    }
    case SysKind::kPmxExist: return PackInstalled(engine, "PMX", e.a) ? 1 : 0;
    case SysKind::kPmpExist: return PackInstalled(engine, "PMP", e.a) ? 1 : 0;
    case SysKind::kWavExist: return PackInstalled(engine, "WAV", e.a) ? 1 : 0;
    case SysKind::kNowPage: return engine.NowPage();
    case SysKind::kCtrlKey: return game.CtrlHeld() ? 1 : 0;
    case SysKind::kDirectX: return 1;
    case SysKind::kWavOut: return game.ChannelOutput(e.a) ? 1 : 0;
    case SysKind::kVol: return game.ChannelVolume(e.a);
    case SysKind::kNoPaintBack: return engine.NoPaintBack() ? 1 : 0;
    // Text values read as numbers.
    case SysKind::kWeek: return Weekday(Now(engine)) + 1;
    case SysKind::kSaveHeaders: return e.a;
    default: return 0;
  }
}

std::string JoinLines(const std::vector<std::string>& parts) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += "\\n";
    text += parts[i];
  }
  return text;
}

// A damaged slot file shows as an empty header (with a warning) rather than failing the
// command that reads it, so a save menu still opens; writes keep reporting their errors.
std::string ReadHeader(EngineValueHost& engine, int slot, Log* log) {
  try {
    return engine.ReadSlotKey(slot, "Header", "");
  } catch (const MavError& e) {
    if (log != nullptr) log->Warn(e.what());
    return {};
  }
}

std::string ReadText(const SystemNameEntry& e, EngineValueHost& engine, GameValueHost& game,
                     Log* log) {
  switch (e.kind) {
    case SysKind::kWeek: return kWeekKanji[Weekday(Now(engine))];
    case SysKind::kText: return game.TextWindowText();
    case SysKind::kSfc: return game.LayerSource(e.a);
    case SysKind::kFonts: return FontListText(game.ScreenFonts(), game.UseFontsSetting());
    case SysKind::kSelStr: return game.LastChoiceText();
    case SysKind::kSaveHeaders: {
      std::vector<std::string> headers;
      for (int slot = 0; slot < e.a; ++slot) headers.push_back(ReadHeader(engine, slot, log));
      return JoinLines(headers);
    }
    case SysKind::kSaveHeader: return ReadHeader(engine, e.a, log);
    case SysKind::kWav: return game.ChannelFile(e.a);
    case SysKind::kCursor: return game.CursorName();
    case SysKind::kAttach: return game.AttachmentSource(e.a, e.b);
    default: return {};
  }
}

// The number writes shared by SetNum and SetStr; false when the value does not take numbers.
bool WriteNumber(const SystemNameEntry& e, std::int32_t v, EngineValueHost& engine,
                 GameValueHost& game) {
  switch (e.kind) {
    case SysKind::kTextSpd: engine.SetTextSpd(v); return true;
    case SysKind::kSfcX: game.SetLayerX(e.a, v); return true;
    case SysKind::kSfcY: game.SetLayerY(e.a, v); return true;
    case SysKind::kBright: game.SetLayerBright(e.a, v); return true;
    case SysKind::kMouseX: game.MoveMouse(v, game.MouseY()); return true;
    case SysKind::kMouseY: game.MoveMouse(game.MouseX(), v); return true;
    case SysKind::kNowPage: engine.SetPendingPage(v); return true;
    case SysKind::kVol: game.SetChannelVolume(e.a, v); return true;
    case SysKind::kWavOut: game.SetChannelOutput(e.a, v != 0); return true;
    case SysKind::kNoPaintBack: engine.SetNoPaintBack(v != 0); return true;
    default: return false;
  }
}

// Writing a number to these is a scenario error, reported out of the command.
bool NumberWriteIsError(SysKind kind) {
  switch (kind) {
    case SysKind::kHistoryCount:
    case SysKind::kSfcWidth:
    case SysKind::kSfcHeight:
    case SysKind::kSelTop:
    case SysKind::kTickCount:
    case SysKind::kVisible:
    case SysKind::kSaveHeader:
    case SysKind::kCtrlKey:
    case SysKind::kWav:
    case SysKind::kCursor:
      return true;
    default:
      return false;
  }
}

}  // namespace

void TParamSystem::SetName(std::string_view name) {
  TParameter::SetName(name);
  const int index = FindSystemIndex(name);
  sys_index_ = static_cast<std::uint16_t>(index < 0 ? 0 : index);
}

const SystemNameEntry* TParamSystem::Entry(const char* operation) const {
  if (sys_index_ >= kSystemNameCount) {
    if (operation == nullptr) return nullptr;
    throw MavError(std::string(operation) + "ｴﾗｰ");
  }
  return &SystemNames()[sys_index_];
}

ParamType TParamSystem::GetParamType() { return Entry("GetParamType")->type; }

std::string TParamSystem::GetStr() {
  const SystemNameEntry& e = *Entry("TParamSystem.GetStr");
  EngineValueHost& engine = Owner()->EngineHost();
  GameValueHost& game = Owner()->GameHost();
  switch (e.type) {
    case ParamType::kStr:
      return ReadText(e, engine, game, Owner()->GetLog());
    case ParamType::kFlag:
      return ReadNumber(e, engine, game) != 0 ? "ON" : "OFF";
    case ParamType::kNum:
      break;
  }
  switch (e.kind) {
    case SysKind::kYear: return Padded(ReadNumber(e, engine, game), 4);
    case SysKind::kMonth:
    case SysKind::kDay:
    case SysKind::kHour:
    case SysKind::kMin:
    case SysKind::kSec:
      return Padded(ReadNumber(e, engine, game), 2);
    case SysKind::kBitList: {
      std::vector<std::string> numbers;
      for (std::int32_t bit : game.BitList()) numbers.push_back(std::to_string(bit));
      return JoinLines(numbers);
    }
    default:
      return std::to_string(ReadNumber(e, engine, game));
  }
}

std::int32_t TParamSystem::GetNum() {
  const SystemNameEntry& e = *Entry("TParamSystem.GetNum");
  return ReadNumber(e, Owner()->EngineHost(), Owner()->GameHost());
}

bool TParamSystem::GetFlag() {
  const SystemNameEntry& e = *Entry("TParamSystem.GetFlag");
  if (e.type == ParamType::kStr) {
    return !ReadText(e, Owner()->EngineHost(), Owner()->GameHost(), Owner()->GetLog()).empty();
  }
  return ReadNumber(e, Owner()->EngineHost(), Owner()->GameHost()) != 0;
}

void TParamSystem::SetStr(std::string_view text) {
  const SystemNameEntry* e = Entry(nullptr);
  if (e == nullptr) return;
  EngineValueHost& engine = Owner()->EngineHost();
  GameValueHost& game = Owner()->GameHost();
  switch (e->kind) {
    case SysKind::kText: game.SetTextWindowText(text); return;
    case SysKind::kSfc: game.SetLayerSource(e->a, text); return;
    case SysKind::kSaveHeaders:
      for (int slot = 0; slot < e->a; ++slot) engine.WriteSlotKey(slot, "Header", text);
      return;
    case SysKind::kSaveHeader: engine.WriteSlotKey(e->a, "Header", text); return;
    case SysKind::kWav: game.PlayChannelFile(e->a, text); return;
    case SysKind::kCursor: game.SetCursorName(text); return;
    case SysKind::kAttach: game.SetAttachmentSource(e->a, e->b, text); return;
    case SysKind::kWavOut: game.SetChannelOutput(e->a, EqualsIgnoreAsciiCase(text, "on")); return;
    case SysKind::kNoPaintBack: engine.SetNoPaintBack(EqualsIgnoreAsciiCase(text, "on")); return;
    case SysKind::kSfcX:
    case SysKind::kSfcY:
    case SysKind::kBright:
    case SysKind::kMouseX:
    case SysKind::kMouseY:
    case SysKind::kVol:
    case SysKind::kNowPage:
      WriteNumber(*e, ParseIntOr(text, 0), engine, game);
      return;
    default:
      return;
  }
}

void TParamSystem::SetNum(std::int32_t value) {
  const SystemNameEntry& e = *Entry("TParamSystem.SetNum");
  if (NumberWriteIsError(e.kind)) throw MavError("TParamSystem.SetNumｴﾗｰ");
  WriteNumber(e, value, Owner()->EngineHost(), Owner()->GameHost());
}

void TParamSystem::SetFlag(bool on) {
  const SystemNameEntry* e = Entry(nullptr);
  if (e == nullptr) return;
  switch (e->kind) {
    case SysKind::kVisible: Owner()->GameHost().SetLayerVisible(e->a, on); return;
    case SysKind::kNoTextWait: Owner()->EngineHost().SetNoTextWait(on); return;
    case SysKind::kWavOut: Owner()->GameHost().SetChannelOutput(e->a, on); return;
    case SysKind::kNoPaintBack: Owner()->EngineHost().SetNoPaintBack(on); return;
    default: return;
  }
}

}  // namespace mavlet

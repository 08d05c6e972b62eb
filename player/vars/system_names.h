#pragma once
// The fixed table of the 340 reserved "@" names, in the order their index (SysIndex) and the
// store's creation order depend on.
#include <cstdint>
#include <span>
#include <string_view>

#include "player/vars/parameter.h"

namespace mavlet {

inline constexpr int kSystemNameCount = 340;

// What a system value stands for. `a` and `b` of the entry give the layer, channel, slot or pack.
enum class SysKind : std::uint8_t {
  kRand,
  kYear,
  kMonth,
  kDay,
  kHour,
  kMin,
  kSec,
  kWeek,
  kText,
  kTextX,
  kTextY,
  kTextBoxX,      // text window layer X
  kTextBoxY,      // text window layer Y
  kHistoryCount,
  kSfc,           // a = layer 0..8
  kSfcIdx,        // a = layer 0..8
  kSfcX,          // a = layer 0..8, or 9 for "@SfcXText"
  kSfcY,          // a = layer 0..8, or 9 for "@SfcYText"
  kSfcWidth,      // a = layer
  kSfcHeight,     // a = layer
  kBright,        // a = layer
  kVisible,       // a = layer 0..8, or 9 for "@VisibleText"
  kTextSpd,
  kClickL,
  kClickR,
  kPushL,
  kPushR,
  kMouseX,
  kMouseY,
  kFonts,
  kSelStr,
  kSelIdx,
  kSelTop,
  kBitList,
  kNowBit,
  kFullScr,
  kSoundOn,
  kSaveHeaders,   // a = number of slots (10 or 20)
  kSaveHeader,    // a = slot 0..19
  kNoTextWait,
  kTickCount,
  kPmxExist,      // a = pack 1..5
  kPmpExist,      // a = pack 1..5
  kWavExist,      // a = pack 1..5
  kNowPage,
  kCtrlKey,
  kDirectX,
  kWav,           // a = channel 0..3
  kWavOut,        // a = channel 0..3
  kVol,           // a = channel 0..3
  kNoPaintBack,
  kCursor,
  kAttach,        // a = layer 0..8, b = attachment 0..19
};

struct SystemNameEntry {
  std::string_view name;
  ParamType type;
  SysKind kind;
  std::uint8_t a;
  std::uint8_t b;
};

// All 340 entries, index 0 ("@Rand") to 339 ("@Attach8_19").
std::span<const SystemNameEntry, kSystemNameCount> SystemNames();

// Index of the first entry equal to name ignoring ASCII letter case; -1 when none.
int FindSystemIndex(std::string_view name);

}  // namespace mavlet

#pragma once
// The small store the variable fuzzers run over: a few declared names of each type, one of
// them reachable only through a composed name, and a temporary shadowing a declared name.
#include "player/common/log.h"
#include "player/vars/param_manager.h"

namespace mavlet::fuzz {

inline void FillStore(TParamManager& params) {
  params.Declare(0, "Score").SetNum(120);
  params.Declare(0, "Idx").SetNum(3);
  params.Declare(0, "Item3").SetNum(-2147483647 - 1);
  params.Declare(1, "Hero").SetStr("\"Taro\" x");
  params.Declare(1, "\x8a\xbf\x8e\x9a").SetStr("\x83\x5c\\;|");  // 漢字 = "ソ\;|"
  params.Declare(2, "Seen").SetFlag(true);
  params.NewTemporary(0, "Score", "7");
  params.NewTemporary(1, "Tmp", "a,b");
}

// Creating the 340 system values dominates a run, so the fuzzers keep one store and bring it
// back to the same contents before every input.
inline TParamManager& FreshStore(Log* log = nullptr) {
  static TParamManager* params = [] {
    auto* p = new TParamManager();
    FillStore(*p);
    return p;
  }();
  params->SetLog(log);
  params->ResetAll();
  params->Find("Score")->SetNum(120);
  params->Find("Idx")->SetNum(3);
  params->Find("Item3")->SetNum(-2147483647 - 1);
  params->Find("Hero")->SetStr("\"Taro\" x");
  params->Find("\x8a\xbf\x8e\x9a")->SetStr("\x83\x5c\\;|");
  params->Find("Seen")->SetFlag(true);
  params->NewTemporary(0, "Score", "7");
  params->NewTemporary(1, "Tmp", "a,b");
  params->ClearCache();
  return *params;
}

}  // namespace mavlet::fuzz

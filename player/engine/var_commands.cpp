#include "player/engine/var_commands.h"

#include "player/common/sjis_text.h"
#include "player/engine/book_manager.h"
#include "player/vars/param_manager.h"

namespace mavlet {

void TComCalc::Parse(std::string_view args) {
  TCommand::Parse(args);
  assignment_ = ParseCalcAssignment(CsvField(args, 2));
}

void TComCalc::Execute(TCallManager&, GameServices&, TBookManager& book, TStackData& pos) {
  book.Params().Calc(assignment_);
  ++pos.Com;
}

void TComSave::Parse(std::string_view args) {
  TCommand::Parse(args);
  key_ = CsvField(args, 2);
  variable_ = CsvField(args, 3);
}

void TComLoad::Parse(std::string_view args) {
  TComSave::Parse(args);
  default_ = CsvField(args, 4);
}

void TComSave::Execute(TCallManager&, GameServices&, TBookManager& book, TStackData& pos) {
  ++pos.Com;
  TParamManager& params = book.Params();
  TParameter* var = params.Find(variable_);
  if (var == nullptr || key_.empty()) return;
  // The first piece of the key is literal; each further "+" piece is evaluated.
  const std::string key = params.ComposeName(key_);
  if (const auto* load = dynamic_cast<const TComLoad*>(this))
    var->SetStr(book.ReadStoreValue(key, load->Default()));
  else
    book.WriteStoreValue(key, var->GetStr());
}

void TComNew::Execute(TCallManager&, GameServices&, TBookManager& book, TStackData& pos) {
  TParameter& param = book.Params().NewTemporary(args_.kind, args_.name, args_.initial);
  if (args_.mark) book.AddMark(param);
  ++pos.Com;
}

void TComDel::Execute(TCallManager&, GameServices&, TBookManager& book, TStackData& pos) {
  TParamManager& params = book.Params();
  if (TParameter* var = params.Find(args_.name)) {
    book.ForgetMark(var);
    params.RemoveParam(var);
  }
  ++pos.Com;
}

void TComDelMark::Execute(TCallManager&, GameServices&, TBookManager& book, TStackData& pos) {
  ++pos.Com;
  book.DelMarks();
}

void TComClrReg::Execute(TCallManager&, GameServices&, TBookManager& book, TStackData& pos) {
  book.ClearSettings();
  ++pos.Com;
}

}  // namespace mavlet

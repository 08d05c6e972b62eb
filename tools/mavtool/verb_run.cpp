// mavtool run: runs a title headless, event by event, with optional trace, variable dump and
// screen pictures.
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/int_convert.h"
#include "player/debug/debug_core.h"
#include "player/debug/scripted_debug.h"
#include "player/runner/headless_runner.h"
#include "tools/mavtool/verbs.h"

namespace mavtool {
namespace {

constexpr const char* kUsage =
    "usage: mavtool run TITLE_FOLDER [options]\n"
    "  --events N       timer events to run (default 600); the first restarts the engine,\n"
    "                   each later one runs 2 logic steps\n"
    "  --interval MS    virtual milliseconds per event (default 30)\n"
    "  --input FILE     lines \"EVENT click|cancel|up|down|left|right|ctrl|home|end|pageup|pagedown\",\n"
    "                   \"EVENT mouse|press|release X Y\", \"EVENT wheel N\", \"EVENT text STRING\"\n"
    "                   (UTF-8, typed into an open Input), \"EVENT return|escape|backspace\", and\n"
    "                   for the debug window \"EVENT debug-step\" (its next button) or\n"
    "                   \"EVENT debug-break NAME [VALUE]\" (a breakpoint; no value: any change),\n"
    "                   and the player's keys \"EVENT f11|alt+return\" (full screen) and\n"
    "                   \"EVENT f12\" (screenshot)\n"
    "  --trace          one line per executed command: event, stream, page, index, class\n"
    "  --debug-log FILE runs with the debug window's state and writes its command log, a line\n"
    "                   per logged command: page number (1-7), the line as the window shows\n"
    "                   it (UTF-8), tab-separated. Debug input actions also attach it\n"
    "  --vars           print the variables after the run (#name=type,value), then\n"
    "                   the text values (@Text, @TextX ... @NoTextWait) and the choice\n"
    "                   values @SelStr, @SelIdx, @SelTop\n"
    "  --save-dir DIR   answer to the save-folder prompt\n"
    "  --until-end      stop as soon as the main stream has ended\n"
    "  --audio-log FILE a line whenever an audio channel changes: event, channel (0-3), file,\n"
    "                   loop (0/1), attenuation (1/100 dB), playing (0/1), tab-separated\n"
    "  --text-log FILE  a line per character the text window places: event, row, column,\n"
    "                   character (UTF-8), colour and shadow (hex BBGGRR, \"none\"), tab-separated;\n"
    "                   \"EVENT\tclear\" when it is emptied, \"EVENT\tfull\" when it is full\n"
    "  --shot EVENT:FILE\n"
    "                   what the window shows (the screen with the particles over it) as a PNG\n"
    "                   file after that event (repeatable)\n"
    "  --shots-every N DIR\n"
    "                   a PNG every N events into DIR, named by event (shot-000120.png)\n"
    "  --presents DIR   every present (each transition step, each frame that shows something)\n"
    "                   as DIR/present-NNNNNN.png, and DIR/presents.log with a line per present:\n"
    "                   event, index, x, y, width, height, transition kind (0: none), tab-separated\n"
    "  --screenshots DIR\n"
    "                   where the screenshot key (f12) saves its PNG files\n"
    "  --depth 16|24|32 colour depth of the headless display (default 32)\n"
    "  --size WxH       fail unless the title's screen mode gives this size";

std::string ReadText(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ToolError(file + ": cannot be read");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// "EVENT:FILE": the event a positive integer, the file not empty.
mavlet::ScreenShot ParseShot(const std::string& v) {
  const std::size_t colon = v.find(':');
  const std::optional<std::int32_t> event =
      colon == std::string::npos ? std::nullopt : mavlet::ParseDecimalStrict(std::string_view(v).substr(0, colon));
  if (!event || *event < 1 || colon + 1 == v.size())
    throw ToolError("--shot: \"" + v + "\" is not EVENT:FILE (a positive event number and a file name)");
  return {*event, v.substr(colon + 1)};
}

// "WxH" with positive sides.
mavlet::ScreenSize ParseSize(const std::string& v) {
  const std::size_t x = v.find('x');
  std::optional<std::int32_t> w, h;
  if (x != std::string::npos) {
    w = mavlet::ParseDecimalStrict(std::string_view(v).substr(0, x));
    h = mavlet::ParseDecimalStrict(std::string_view(v).substr(x + 1));
  }
  if (!w || !h || *w < 1 || *h < 1) throw ToolError("--size: \"" + v + "\" is not WIDTHxHEIGHT (for example 640x480)");
  return {*w, *h};
}

}  // namespace

int VerbRun(const Args& args) {
  if (args.empty() || args[0] == "--help") {
    std::cout << kUsage << '\n';
    return args.empty() ? 1 : 0;
  }
  mavlet::RunOptions options;
  bool print_vars = false;
  std::optional<std::string> audio_log_file;
  std::optional<std::string> text_log_file;
  std::optional<std::string> debug_log_file;
  auto value = [&](std::size_t& i) -> const std::string& {
    if (i + 1 >= args.size()) throw ToolError(args[i] + " needs a value\n" + kUsage);
    return args[++i];
  };
  auto positive = [&](std::size_t& i) {
    const std::string& opt = args[i];
    const std::string& v = value(i);
    std::optional<std::int32_t> n = mavlet::ParseDecimalStrict(v);
    if (!n || *n < 1) throw ToolError(opt + ": \"" + v + "\" is not a positive integer");
    return *n;
  };
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--events") {
      options.events = positive(i);
    } else if (a == "--interval") {
      options.config.interval = positive(i);
    } else if (a == "--input") {
      const std::string& file = value(i);
      options.input = mavlet::ParseInputScript(ReadText(file), file);
    } else if (a == "--trace") {
      options.trace = true;
    } else if (a == "--vars") {
      print_vars = true;
    } else if (a == "--save-dir") {
      options.save_dir = value(i);
    } else if (a == "--until-end") {
      options.until_end = true;
    } else if (a == "--audio-log") {
      audio_log_file = value(i);
    } else if (a == "--debug-log") {
      debug_log_file = value(i);
    } else if (a == "--text-log") {
      text_log_file = value(i);
    } else if (a == "--shot") {
      options.shots.push_back(ParseShot(value(i)));
    } else if (a == "--shots-every") {
      if (i + 2 >= args.size()) throw ToolError("--shots-every needs N and DIR\n" + std::string(kUsage));
      options.shots_every = positive(i);
      options.shots_dir = value(i);
    } else if (a == "--presents") {
      options.presents_dir = value(i);
    } else if (a == "--screenshots") {
      options.screenshots_dir = value(i);
    } else if (a == "--depth") {
      const std::string& v = value(i);
      if (v != "16" && v != "24" && v != "32") throw ToolError("--depth: \"" + v + "\" is not 16, 24 or 32");
      options.bits = std::stoi(v);
    } else if (a == "--size") {
      options.expect_size = ParseSize(value(i));
    } else {
      throw ToolError("unknown option " + a + "\n" + kUsage);
    }
  }
  for (const mavlet::ScreenShot& shot : options.shots) {
    if (shot.event > options.events)
      throw ToolError("--shot " + std::to_string(shot.event) + ":" + shot.file.string() + ": event " +
                      std::to_string(shot.event) + " is beyond --events " + std::to_string(options.events));
  }
  std::ofstream audio_log;
  if (audio_log_file) {
    audio_log.open(*audio_log_file, std::ios::binary | std::ios::trunc);
    if (!audio_log) throw ToolError(*audio_log_file + ": cannot be written");
    options.audio_log = &audio_log;
  }
  std::ofstream text_log;
  if (text_log_file) {
    text_log.open(*text_log_file, std::ios::binary | std::ios::trunc);
    if (!text_log) throw ToolError(*text_log_file + ": cannot be written");
    options.text_log = &text_log;
  }
  bool debug_input = false;
  for (const mavlet::InputAction& in : options.input) {
    if (in.kind == mavlet::InputAction::Kind::kDebugStep) debug_input = true;
    if (in.kind != mavlet::InputAction::Kind::kDebugBreak) continue;
    debug_input = true;
    if (!mavlet::Utf8ToSjis(in.name) || !mavlet::Utf8ToSjis(in.value.value_or("")))
      throw ToolError("--input: event " + std::to_string(in.event) + ": debug-break \"" + in.name +
                      "\": the name or value has characters a title's text cannot hold");
  }
  std::ofstream debug_log;
  if (debug_log_file) {
    debug_log.open(*debug_log_file, std::ios::binary | std::ios::trunc);
    if (!debug_log) throw ToolError(*debug_log_file + ": cannot be written");
  }
  mavlet::HeadlessRunner runner(options, std::cout, std::cerr);
  try {
    if (!runner.Load(args[0])) {
      std::cerr << "mavtool: " << args[0] << ": the save-folder prompt was cancelled (give --save-dir)\n";
      return 1;
    }
  } catch (const std::exception& e) {
    std::cerr << "mavtool: " << args[0] << ": " << e.what() << '\n';
    return 1;
  }
  // Declared after the runner: the debug window goes before the engine it watches.
  std::optional<mavlet::DebugCore> debug_core;
  std::optional<mavlet::ScriptedDebug> debugger;
  if (debug_log_file || debug_input) {
    debug_core.emplace(runner.Book());
    if (debug_log_file) {
      debug_core->SetLineSink([&debug_log](int page, std::string_view line) {
        debug_log << page << '\t' << line << '\n';
      });
    }
    debugger.emplace(*debug_core);
    runner.AttachDebugger(&*debugger);
  }
  runner.Run();
  runner.AttachDebugger(nullptr);
  if (print_vars) runner.WriteVariables(std::cout);
  // The title may end (or --until-end stop) before a requested picture.
  bool missed = false;
  for (const mavlet::ScreenShot& shot : options.shots) {
    if (shot.event <= runner.EventsRun()) continue;
    std::cerr << "mavtool: --shot " << shot.event << ":" << shot.file.string() << ": the run ended after event "
              << runner.EventsRun() << ", no picture written\n";
    missed = true;
  }
  if (audio_log_file) {
    audio_log.flush();
    if (!audio_log) {
      std::cerr << "mavtool: " << *audio_log_file << ": writing the audio log failed\n";
      return 1;
    }
  }
  if (text_log_file) {
    text_log.flush();
    if (!text_log) {
      std::cerr << "mavtool: " << *text_log_file << ": writing the text log failed\n";
      return 1;
    }
  }
  if (debug_log_file) {
    debug_log.flush();
    if (!debug_log) {
      std::cerr << "mavtool: " << *debug_log_file << ": writing the debug log failed\n";
      return 1;
    }
  }
  if (runner.PresentsFailed()) {
    std::cerr << "mavtool: --presents: the record of presents is incomplete\n";
    return 1;
  }
  return missed ? 1 : 0;
}

}  // namespace mavtool

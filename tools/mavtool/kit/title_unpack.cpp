// mavtool title unpack: title folder -> title source folder, for inspection and editing.
#include <map>
#include <set>

#include "player/backend/graphics/bmp_reader.h"
#include "player/backend/audio/wave_file.h"
#include "player/common/ascii_case.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/int_convert.h"
#include "player/engine/global_file.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/file_io.h"
#include "player/storage/file_unit.h"
#include "player/storage/packed_file.h"
#include "tools/mavtool/kit/kit_files.h"
#include "tools/mavtool/kit/picture_codec.h"
#include "tools/mavtool/kit/title_kit.h"
#include "tools/mavtool/kit/title_source.h"
#include "tools/mavtool/kit/tool_error.h"

namespace mavtool {
namespace {

namespace fs = std::filesystem;
using mavlet::Bitmap;
using mavlet::ByteBuffer;

// All frames of one file together; beyond this a frame count is taken as damage.
constexpr std::int64_t kMaxFramePixels = std::int64_t{1} << 26;

std::string Utf8Name(std::string_view sjis) { return mavlet::SjisToUtf8(sjis); }

// "12.pmx" -> 12.
std::optional<std::int32_t> ScenarioNumber(const std::string& name) {
  if (!mavlet::EndsWithIgnoreAsciiCaseBytes(name, ".pmx")) return std::nullopt;
  const std::string stem = name.substr(0, name.size() - 4);
  std::optional<std::int32_t> n = mavlet::ParseDecimalStrict(stem);
  if (!n || *n < 0 || std::to_string(*n) != stem) return std::nullopt;
  return n;
}

// "Data3.pmx" -> 3 for 1..5.
int ArchiveNumber(const std::string& name, std::string_view ext) {
  const std::string lower = mavlet::AsciiLowerBytes(name);
  if (lower.size() != 9 + ext.size() - 4 || lower.substr(0, 4) != "data" || !mavlet::EndsWithIgnoreAsciiCaseBytes(lower, ext)) return 0;
  const char d = lower[4];
  return d >= '1' && d <= '5' ? d - '0' : 0;
}

std::string ScenarioText(const ByteBuffer& bytes, const fs::path& from, std::ostream& notes) {
  const std::string_view sjis(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::optional<std::string> utf8 = mavlet::SjisToUtf8Strict(sjis);
  if (!utf8) {
    notes << "note: " << from.string() << ": bytes that are not Shift-JIS became U+FFFD\n";
    utf8 = mavlet::SjisToUtf8(sjis);
  }
  std::string out;
  out.reserve(utf8->size());
  for (std::size_t i = 0; i < utf8->size(); ++i) {
    const char c = (*utf8)[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < utf8->size() && (*utf8)[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

ByteBuffer PictureAsPng(const Bitmap& b) { return EncodePng(b, PngColours::kAsStored); }

ByteBuffer MaskAsPng(Bitmap b) {
  // The player reads the bytes of an 8-bit mask as levels whatever its palette says.
  if (!(b.layout() == Bitmap::Layout::kIndexed8 && b.bit_count() == 8)) b.ConvertToGrey8();
  return EncodePng(b, PngColours::kGrey);
}

class Unpacker {
 public:
  Unpacker(const fs::path& title, const fs::path& out, std::ostream& notes) : title_(title), out_(out), notes_(notes) {}

  void Run() {
    if (!MissingOrEmpty(out_)) throw ToolError(out_.string() + ": the folder is not empty");
    std::optional<fs::path> pmx = FindChildNoCase(title_, "Pmx");
    std::optional<fs::path> global = pmx ? FindChildNoCase(*pmx, "Global.pmx") : std::nullopt;
    if (!global) throw ToolError(title_.string() + ": no Pmx/Global.pmx in this folder");
    TitleDescription d = Describe(*global);
    d.pack_scenarios = Scenarios(*pmx);
    if (std::optional<fs::path> pmp = FindChildNoCase(title_, "PMP")) Pictures(*pmp, out_ / "pictures");
    if (std::optional<fs::path> wav = FindChildNoCase(title_, "WAV")) d.pack_sounds = Sounds(*wav);
    const std::string text = FormatTitleDescription(d);
    // What we write must read back as the same title.
    if (ParseTitleDescription(text, kTitleDescriptionFile) != d)
      throw ToolError(global->string() + ": the title description does not survive as text");
    WriteTextFile(out_ / kTitleDescriptionFile, text);
  }

 private:
  TitleDescription Describe(const fs::path& file) {
    const mavlet::TGlobalData g = mavlet::ReadGlobalFile(file);
    TitleDescription d;
    auto utf8 = [&](const std::string& s) {
      std::optional<std::string> u = mavlet::SjisToUtf8Strict(s);
      if (!u) throw ToolError(file.string() + ": text that is not Shift-JIS: " + mavlet::SjisToUtf8(s));
      return *u;
    };
    d.title = utf8(g.Title);
    d.screen_mode = g.ScreenMode;
    d.start_page = g.StartPage;
    d.reg_key = utf8(g.RegKey);
    d.no_registry = g.NoRegistry != 0;
    for (const auto& n : g.NumNames) d.num_names.push_back(utf8(n));
    for (const auto& n : g.StrNames) d.str_names.push_back(utf8(n));
    for (const auto& n : g.FlagNames) d.flag_names.push_back(utf8(n));
    // Reject what the text format cannot say, naming the file rather than the text.
    try {
      ParseTitleDescription(FormatTitleDescription(d), "");
    } catch (const ToolError& e) {
      throw ToolError(file.string() + ": cannot be written as a title description (" +
                      std::string(e.what()).substr(1) + ")");
    }
    return d;
  }

  // Loose scenarios first (the player prefers them), then archives 1 to 5 in order.
  bool Scenarios(const fs::path& pmx) {
    std::set<std::int32_t> done;
    for (const fs::path& p : SortedChildren(pmx)) {
      const std::string name = p.filename().string();
      if (std::optional<std::int32_t> n = ScenarioNumber(name)) {
        WriteScenario(*n, mavlet::UnpackFile(p), p);
        done.insert(*n);
      } else if (!ArchiveNumber(name, ".pmx") && mavlet::AsciiLowerBytes(name) != "global.pmx") {
        notes_ << "note: skipped " << p.string() << "\n";
      }
    }
    bool packed = false;
    for (int d = 1; d <= 5; ++d) {
      std::optional<fs::path> archive = FindChildNoCase(pmx, "Data" + std::to_string(d) + ".pmx");
      if (!archive) continue;
      mavlet::TFileUnit unit;
      unit.LoadArchive(*archive);
      for (const mavlet::ArchiveEntry& e : unit.Entries()) {
        std::optional<std::int32_t> n = ScenarioNumber(e.name);
        if (!n) {
          notes_ << "note: skipped entry " << Utf8Name(e.name) << " of " << archive->string() << "\n";
          continue;
        }
        if (!done.insert(*n).second) {
          notes_ << "note: " << archive->string() << ": scenario " << *n << " is hidden by an earlier one\n";
          continue;
        }
        const ByteBuffer& data = unit.Data();
        WriteScenario(*n, ByteBuffer(data.begin() + static_cast<std::ptrdiff_t>(e.offset),
                                     data.begin() + static_cast<std::ptrdiff_t>(e.offset + e.size)), *archive);
        packed = true;
      }
    }
    return packed;
  }

  void WriteScenario(std::int32_t n, const ByteBuffer& bytes, const fs::path& from) {
    WriteTextFile(out_ / "scenario" / (std::to_string(n) + ".txt"), ScenarioText(bytes, from, notes_));
  }

  void Pictures(const fs::path& dir, const fs::path& target) {
    for (const fs::path& p : SortedChildren(dir)) {
      const std::string name = p.filename().string();
      if (fs::is_directory(p)) {
        Pictures(p, target / name);
      } else if (IsCopiedAsIs(name)) {
        WriteFileCreatingFolders(target / name, mavlet::ReadFileBytes(p));
      } else if (mavlet::EndsWithIgnoreAsciiCaseBytes(name, ".pmp")) {
        const std::string stem = name.substr(0, name.size() - 4);
        const ByteBuffer payload = mavlet::UnpackFile(p);
        std::size_t pos = 0;
        Bitmap b = mavlet::ReadBmp(payload, pos, p.string());
        const bool mask = mavlet::EndsWithIgnoreAsciiCaseBytes(stem, "-m") &&
                          FindChildNoCase(dir, stem.substr(0, stem.size() - 2) + ".pmp").has_value();
        WriteFileCreatingFolders(target / (stem + ".png"), mask ? MaskAsPng(std::move(b)) : PictureAsPng(b));
      } else {
        // Any other name is a frame list; files that are not one are left out.
        try {
          Frames(p, target / (name + ".frames"));
        } catch (const std::runtime_error& e) {
          notes_ << "note: skipped " << p.string() << ": " << e.what() << "\n";
          fs::remove_all(target / (name + ".frames"));
        }
      }
    }
  }

  void Frames(const fs::path& file, const fs::path& folder) {
    const ByteBuffer payload = mavlet::UnpackFile(file);
    if (payload.size() < 4) throw ToolError(file.string() + ": too short for a frame count");
    std::int32_t count = 0;
    for (int i = 0; i < 4; ++i) count |= static_cast<std::int32_t>(static_cast<std::uint32_t>(payload[i]) << (8 * i));
    std::size_t pos = 4;
    std::int64_t pixels = 0;
    std::string flags;
    fs::create_directories(folder);
    for (std::int32_t k = 0; k < count; ++k) {
      if (pos >= payload.size())
        throw ToolError(file.string() + ": frame " + std::to_string(k) + " of " + std::to_string(count) + " is missing");
      flags += payload[pos++] ? "1\n" : "0\n";
      Bitmap b = mavlet::ReadBmp(payload, pos, file.string() + " frame " + std::to_string(k));
      pixels += std::int64_t{b.width()} * b.height();
      if (pixels > kMaxFramePixels) throw ToolError(file.string() + ": the frames are larger than the player accepts");
      WriteFileCreatingFolders(folder / (std::to_string(k) + ".png"), PictureAsPng(b));
    }
    WriteTextFile(folder / "flags.txt", flags);
  }

  // Loose ".PMW" sounds first, then archives 1 to 5; plain ".WAV" files go to sounds/plain.
  bool Sounds(const fs::path& wav) {
    std::set<std::string> done;  // lower-case stems
    auto write = [&](const std::string& stem, const ByteBuffer& bytes, const fs::path& from) {
      if (stem.empty() || stem.find('/') != std::string::npos || stem == "." || stem == "..") {
        notes_ << "note: " << from.string() << ": skipped the sound named \"" << stem << "\"\n";
        return false;
      }
      if (!done.insert(mavlet::AsciiLowerBytes(stem)).second) {
        notes_ << "note: " << from.string() << ": sound " << stem << " is hidden by an earlier one\n";
        return false;
      }
      mavlet::ParseWave(bytes, from.string());
      WriteFileCreatingFolders(out_ / "sounds" / (stem + ".wav"), bytes);
      return true;
    };
    for (const fs::path& p : SortedChildren(wav)) {
      const std::string name = p.filename().string();
      if (fs::is_directory(p) || ArchiveNumber(name, ".pmw")) continue;
      if (mavlet::EndsWithIgnoreAsciiCaseBytes(name, ".pmw")) {
        write(name.substr(0, name.size() - 4), mavlet::UnpackFile(p), p);
      } else if (mavlet::EndsWithIgnoreAsciiCaseBytes(name, ".wav")) {
        WriteFileCreatingFolders(out_ / "sounds" / "plain" / name, mavlet::ReadFileBytes(p));
      } else {
        notes_ << "note: skipped " << p.string() << "\n";
      }
    }
    bool packed = false;
    for (int d = 1; d <= 5; ++d) {
      std::optional<fs::path> archive = FindChildNoCase(wav, "Data" + std::to_string(d) + ".PMW");
      if (!archive) continue;
      mavlet::TBigFileUnit unit;
      unit.OpenArchive(*archive);
      for (std::size_t i = 0; i < unit.Entries().size(); ++i) {
        const std::string name = Utf8Name(unit.Entries()[i].name);
        if (!mavlet::EndsWithIgnoreAsciiCaseBytes(name, ".pmw")) {
          notes_ << "note: skipped entry " << name << " of " << archive->string() << "\n";
          continue;
        }
        ByteBuffer packed_entry;
        if (!unit.ReadEntry(static_cast<int>(i), packed_entry))
          throw ToolError(archive->string() + ": entry " + name + " runs past the end of the file");
        const ByteBuffer bytes = mavlet::UnpackStream(packed_entry, archive->string() + " entry " + name);
        packed |= write(name.substr(0, name.size() - 4), bytes, *archive);
      }
    }
    return packed;
  }

  fs::path title_, out_;
  std::ostream& notes_;
};

}  // namespace

void UnpackTitle(const std::filesystem::path& title, const std::filesystem::path& out, std::ostream& notes) {
  Unpacker(title, out, notes).Run();
}

}  // namespace mavtool

// mavtool title build: title source folder -> title folder.
#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "player/backend/graphics/bmp_reader.h"
#include "player/backend/audio/wave_file.h"
#include "player/common/ascii_case.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/int_convert.h"
#include "player/engine/global_file.h"
#include "player/storage/archive_index.h"
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

// A picture source read into what the title stores.
struct Picture {
  ByteBuffer bmp;              // the BMP file for the title
  std::int32_t width = 0, height = 0;
  std::vector<std::uint8_t> alpha;  // PNG transparency, when any
};

// Reads a PNG or BMP picture source. BMPs of 8 bits or less are kept byte for byte; other BMPs
// and PNGs are written as 24-bit (palettised PNGs as 8-bit with their palette).
Picture ReadPictureSource(const fs::path& file) {
  const ByteBuffer bytes = mavlet::ReadFileBytes(file);
  Picture p;
  if (mavlet::EndsWithIgnoreAsciiCaseBytes(file.filename().string(), ".png")) {
    DecodedPng png = DecodePng(bytes, file.string(), true);
    p.bmp = EncodeBmp(png.bitmap);
    p.width = png.bitmap.width();
    p.height = png.bitmap.height();
    p.alpha = std::move(png.alpha);
    return p;
  }
  std::size_t pos = 0;
  const Bitmap bmp = mavlet::ReadBmp(bytes, pos, file.string());
  p.width = bmp.width();
  p.height = bmp.height();
  if (bmp.bit_count() <= 8) {
    p.bmp.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(pos));
  } else {
    p.bmp = EncodeBmp(bmp);
  }
  return p;
}

// A mask holds one byte per pixel: 0 shows the picture, 255 the layers below. 8-bit sources keep
// their bytes (the player reads them so); others become grey levels.
ByteBuffer ReadMaskSource(const fs::path& file) {
  const ByteBuffer bytes = mavlet::ReadFileBytes(file);
  Bitmap mask;
  if (mavlet::EndsWithIgnoreAsciiCaseBytes(file.filename().string(), ".png")) {
    DecodedPng png = DecodePng(bytes, file.string(), false);
    mask = std::move(png.bitmap);
  } else {
    std::size_t pos = 0;
    mask = mavlet::ReadBmp(bytes, pos, file.string());
    if (mask.bit_count() == 8 && mask.layout() == Bitmap::Layout::kIndexed8)
      return ByteBuffer(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(pos));
  }
  mask.ConvertToGrey8();
  return EncodeBmp(mask);
}

bool IsPictureSource(const std::string& name) {
  return mavlet::EndsWithIgnoreAsciiCaseBytes(name, ".png") || mavlet::EndsWithIgnoreAsciiCaseBytes(name, ".bmp");
}

std::string StemOf(const std::string& name) { return name.substr(0, name.rfind('.')); }

class Builder {
 public:
  Builder(const fs::path& src, const fs::path& out, std::ostream& notes) : src_(src), out_(out), notes_(notes) {}

  void Run(const BuildOptions& options) {
    const fs::path desc_file = src_ / kTitleDescriptionFile;
    std::error_code ec;
    if (!fs::is_regular_file(desc_file, ec))
      throw ToolError(src_.string() + ": no " + kTitleDescriptionFile + " (the title description) in this folder");
    const ByteBuffer desc_bytes = mavlet::ReadFileBytes(desc_file);
    TitleDescription d = ParseTitleDescription(
        std::string_view(reinterpret_cast<const char*>(desc_bytes.data()), desc_bytes.size()), desc_file.string());
    if (options.pack_scenarios) d.pack_scenarios = *options.pack_scenarios;
    if (options.pack_sounds) d.pack_sounds = *options.pack_sounds;

    PrepareOutput();
    WriteGlobal(d, desc_file);
    Scenarios(d);
    if (fs::is_directory(src_ / "pictures")) Pictures(src_ / "pictures", out_ / "PMP");
    Sounds(d);
  }

 private:
  void PrepareOutput() {
    if (!MissingOrEmpty(out_)) {
      if (!fs::exists(out_ / kBuiltMarker))
        throw ToolError(out_.string() + ": the folder is not empty and was not written by mavtool title build");
      for (const char* sub : {"Pmx", "PMP", "WAV"}) fs::remove_all(out_ / sub);
    }
    // Marked first, so the leftovers of a failed build are cleared by the next one.
    WriteTextFile(out_ / kBuiltMarker, "built by mavtool title build\n");
    fs::create_directories(out_ / "Pmx");
  }

  void WriteGlobal(const TitleDescription& d, const fs::path& desc_file) {
    auto sjis = [&](const std::string& s) { return TitleName(s, desc_file); };
    mavlet::TGlobalData g;
    g.Title = sjis(d.title);
    g.ScreenMode = d.screen_mode;
    g.StartPage = d.start_page;
    g.RegKey = sjis(d.reg_key);
    g.NoRegistry = d.no_registry ? 1 : 0;
    for (const auto& n : d.num_names) g.NumNames.push_back(sjis(n));
    for (const auto& n : d.str_names) g.StrNames.push_back(sjis(n));
    for (const auto& n : d.flag_names) g.FlagNames.push_back(sjis(n));
    mavlet::WriteGlobalFile(out_ / "Pmx" / "Global.pmx", g);
  }

  // UTF-8 scenario text to Shift-JIS with CR LF line ends.
  ByteBuffer ConvertScenario(const fs::path& file) {
    const ByteBuffer bytes = mavlet::ReadFileBytes(file);
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::string out;
    int line_number = 0;
    while (!text.empty()) {
      ++line_number;
      const std::size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      const bool has_end = end != std::string_view::npos;
      text.remove_prefix(has_end ? end + 1 : text.size());
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      std::optional<std::string> sjis = mavlet::Utf8ToSjis(line);
      if (!sjis)
        throw ToolError(file.string() + ":" + std::to_string(line_number) +
                        ": not UTF-8, or a character Shift-JIS cannot hold");
      out += *sjis;
      if (has_end) out += "\r\n";
    }
    return ByteBuffer(out.begin(), out.end());
  }

  void Scenarios(const TitleDescription& d) {
    const fs::path dir = src_ / "scenario";
    std::map<std::int32_t, fs::path> found;
    if (fs::is_directory(dir)) {
      for (const fs::path& p : SortedChildren(dir)) {
        const std::string name = p.filename().string();
        std::optional<std::int32_t> n;
        if (mavlet::EndsWithIgnoreAsciiCaseBytes(name, ".txt") && fs::is_regular_file(p)) {
          const std::string stem = name.substr(0, name.size() - 4);
          n = mavlet::ParseDecimalStrict(stem);
          // "01.txt" and "1.txt" would both be scenario 1.
          if (n && (*n < 0 || std::to_string(*n) != stem)) n.reset();
        }
        if (!n) throw ToolError(p.string() + ": scenario files are named <number>.txt, such as 1.txt");
        found.emplace(*n, p);
      }
    }
    if (!found.count(d.start_page))
      notes_ << "note: start page " << d.start_page << " has no scenario/" << d.start_page << ".txt\n";
    std::vector<std::pair<std::string, ByteBuffer>> entries;
    for (const auto& [n, file] : found) {
      const std::string name = std::to_string(n) + ".pmx";
      ByteBuffer text = ConvertScenario(file);
      if (d.pack_scenarios) {
        entries.emplace_back(name, std::move(text));
      } else {
        mavlet::PackToFile(out_ / "Pmx" / name, text);
      }
    }
    if (d.pack_scenarios) mavlet::PackToFile(out_ / "Pmx" / "Data1.pmx", mavlet::BuildFileUnitPayload(entries));
  }

  void Claim(const fs::path& target, const fs::path& source) {
    const std::string key = mavlet::AsciiLowerBytes(target.string());
    auto [it, fresh] = claimed_.emplace(key, source);
    if (!fresh)
      throw ToolError(source.string() + ": gives the same title file " + target.filename().string() + " as " +
                      it->second.string());
  }

  void Pictures(const fs::path& dir, const fs::path& target) {
    const std::vector<fs::path> children = SortedChildren(dir);
    std::set<std::string> stems;  // lower-case stems of the pictures in this folder
    for (const fs::path& p : children) {
      const std::string name = p.filename().string();
      if (fs::is_regular_file(p) && IsPictureSource(name)) stems.insert(mavlet::AsciiLowerBytes(StemOf(name)));
    }
    for (const fs::path& p : children) {
      const std::string name = p.filename().string();
      TitleName(name, p);
      if (fs::is_directory(p)) {
        if (mavlet::EndsWithIgnoreAsciiCaseBytes(name, ".frames")) {
          Frames(p, target / name.substr(0, name.size() - 7));
        } else {
          Pictures(p, target / name);
        }
      } else if (IsCopiedAsIs(name)) {
        Claim(target / name, p);
        WriteFileCreatingFolders(target / name, mavlet::ReadFileBytes(p));
      } else if (IsPictureSource(name)) {
        const std::string stem = StemOf(name);
        const fs::path out_file = target / (stem + ".pmp");
        Claim(out_file, p);
        // "<name>-m" beside "<name>" is that picture's mask; alone it is an ordinary picture.
        if (mavlet::EndsWithIgnoreAsciiCaseBytes(stem, "-m") && stems.count(mavlet::AsciiLowerBytes(stem.substr(0, stem.size() - 2)))) {
          Mask(p, out_file);
          continue;
        }
        Picture pic = ReadPictureSource(p);
        mavlet::PackToFile(EnsureParent(out_file), pic.bmp);
        if (!pic.alpha.empty()) {
          if (stems.count(mavlet::AsciiLowerBytes(stem + "-m"))) {
            notes_ << "note: " << p.string() << ": transparency ignored, the mask file gives the mask\n";
          } else {
            // Transparency becomes the mask: fully opaque pixels take mask level 0.
            for (std::uint8_t& a : pic.alpha) a = static_cast<std::uint8_t>(255 - a);
            const fs::path mask_file = target / (stem + "-m.pmp");
            Claim(mask_file, p);
            mavlet::PackToFile(mask_file, EncodeBmp(GreyBitmap(pic.width, pic.height, pic.alpha)));
          }
        }
        sizes_[mavlet::AsciiLowerBytes(out_file.string())] = {pic.width, pic.height};
      } else if (fs::is_regular_file(p)) {
        throw ToolError(p.string() + ": not a picture the kit knows (PNG, BMP, .cur, .ani, a movie or a <name>.frames folder)");
      }
    }
    // Masks must cover their pictures exactly: the player reads mask bytes by picture position.
    for (const auto& [mask, size] : mask_sources_) {
      const std::string picture = mask.substr(0, mask.size() - 6) + ".pmp";
      auto it = sizes_.find(picture);
      if (it != sizes_.end() && (it->second.first != size.first || it->second.second != size.second))
        throw ToolError(mask_files_[mask].string() + ": the mask is " + std::to_string(size.first) + "x" +
                        std::to_string(size.second) + " but its picture is " + std::to_string(it->second.first) +
                        "x" + std::to_string(it->second.second));
    }
  }

  fs::path EnsureParent(const fs::path& file) {
    fs::create_directories(file.parent_path());
    return file;
  }

  void Mask(const fs::path& source, const fs::path& out_file) {
    const ByteBuffer bmp = ReadMaskSource(source);
    std::size_t pos = 0;
    const Bitmap check = mavlet::ReadBmp(bmp, pos, source.string());
    const std::string key = mavlet::AsciiLowerBytes(out_file.string());
    mask_sources_[key] = {check.width(), check.height()};
    mask_files_[key] = source;
    mavlet::PackToFile(EnsureParent(out_file), bmp);
  }

  // "<name>.frames/": frames "<number>.png|bmp" in number order, "flags.txt" with one 0 or 1 per
  // frame (1 = draw the frame with its colour key); without flags.txt every frame is keyed.
  void Frames(const fs::path& dir, const fs::path& out_file) {
    const std::string name = out_file.filename().string();
    if (name.empty() || mavlet::EndsWithIgnoreAsciiCaseBytes(name, ".pmp"))
      throw ToolError(dir.string() + ": a frames folder must not give a .pmp name (the player reads those as single pictures)");
    Claim(out_file, dir);
    std::map<std::int32_t, fs::path> frames;
    std::optional<fs::path> flags_file;
    for (const fs::path& p : SortedChildren(dir)) {
      const std::string f = p.filename().string();
      if (mavlet::AsciiLowerBytes(f) == "flags.txt") {
        flags_file = p;
        continue;
      }
      std::optional<std::int32_t> n;
      if (IsPictureSource(f) && fs::is_regular_file(p)) n = mavlet::ParseDecimalStrict(StemOf(f));
      if (!n || *n < 0) throw ToolError(p.string() + ": frames are named <number>.png or <number>.bmp");
      auto [it, fresh] = frames.emplace(*n, p);
      if (!fresh) throw ToolError(p.string() + ": frame " + std::to_string(*n) + " is also " + it->second.string());
    }
    std::vector<std::uint8_t> flags(frames.size(), 1);
    if (flags_file) {
      const ByteBuffer bytes = mavlet::ReadFileBytes(*flags_file);
      std::istringstream in(std::string(bytes.begin(), bytes.end()));
      std::vector<std::uint8_t> given;
      std::string word;
      while (in >> word) {
        if (word != "0" && word != "1")
          throw ToolError(flags_file->string() + ": expected 0 or 1 per frame, got \"" + word + "\"");
        given.push_back(word == "1");
      }
      if (given.size() != frames.size())
        throw ToolError(flags_file->string() + ": " + std::to_string(given.size()) + " flags for " +
                        std::to_string(frames.size()) + " frames");
      flags = std::move(given);
    }
    ByteBuffer payload(4);
    const std::uint32_t count = static_cast<std::uint32_t>(frames.size());
    for (int i = 0; i < 4; ++i) payload[i] = static_cast<std::uint8_t>(count >> (8 * i));
    std::size_t k = 0;
    for (const auto& [n, file] : frames) {
      Picture pic = ReadPictureSource(file);
      if (!pic.alpha.empty()) notes_ << "note: " << file.string() << ": transparency ignored (frames use the colour key)\n";
      payload.push_back(flags[k++]);
      payload.insert(payload.end(), pic.bmp.begin(), pic.bmp.end());
    }
    mavlet::PackToFile(EnsureParent(out_file), payload);
  }

  void Sounds(const TitleDescription& d) {
    const fs::path dir = src_ / "sounds";
    if (!fs::is_directory(dir)) return;
    std::vector<std::pair<std::string, ByteBuffer>> entries;
    for (const fs::path& p : SortedChildren(dir)) {
      const std::string name = p.filename().string();
      if (fs::is_directory(p) && name == "plain") {
        // Plain ".WAV" files the scenario names with that extension; the player reads them unpacked.
        for (const fs::path& w : SortedChildren(p)) {
          const std::string wname = w.filename().string();
          if (!mavlet::EndsWithIgnoreAsciiCaseBytes(wname, ".wav")) throw ToolError(w.string() + ": only .wav files belong in sounds/plain");
          TitleName(wname, w);
          const ByteBuffer bytes = mavlet::ReadFileBytes(w);
          mavlet::ParseWave(bytes, w.string());
          Claim(out_ / "WAV" / wname, w);
          WriteFileCreatingFolders(out_ / "WAV" / wname, bytes);
        }
        continue;
      }
      if (!mavlet::EndsWithIgnoreAsciiCaseBytes(name, ".wav") || !fs::is_regular_file(p))
        throw ToolError(p.string() + ": sounds are .wav files (or the folder sounds/plain)");
      const ByteBuffer bytes = mavlet::ReadFileBytes(p);
      mavlet::ParseWave(bytes, p.string());
      const std::string title_name = StemOf(name) + ".PMW";
      const std::string sjis = TitleName(title_name, p);
      if (d.pack_sounds) {
        if (sjis.size() > mavlet::kArchiveMaxName)
          throw ToolError(p.string() + ": the name " + title_name + " is longer than the 31 bytes an archive holds");
        const std::string upper = mavlet::ArchiveNameUpper(sjis);
        for (const auto& e : entries)
          if (e.first == upper) throw ToolError(p.string() + ": another sound has the same name ignoring case");
        entries.emplace_back(upper, bytes);
      } else {
        Claim(out_ / "WAV" / title_name, p);
        mavlet::PackToFile(EnsureParent(out_ / "WAV" / title_name), bytes);
      }
    }
    if (d.pack_sounds && !entries.empty()) {
      fs::create_directories(out_ / "WAV");
      mavlet::WriteBigFileUnit(out_ / "WAV" / "Data1.PMW", entries);
    }
  }

  fs::path src_, out_;
  std::ostream& notes_;
  std::map<std::string, fs::path> claimed_;
  std::map<std::string, std::pair<std::int32_t, std::int32_t>> sizes_, mask_sources_;
  std::map<std::string, fs::path> mask_files_;
};

}  // namespace

void BuildTitle(const std::filesystem::path& src, const std::filesystem::path& out, const BuildOptions& options,
                std::ostream& notes) {
  Builder(src, out, notes).Run(options);
}

}  // namespace mavtool

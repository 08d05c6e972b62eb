#include "player/engine/global_file.h"

#include <cstring>

#include "player/common/error.h"
#include "player/storage/packed_file.h"

namespace mavlet {
namespace {

class Reader {
 public:
  Reader(std::span<const std::uint8_t> data, std::string_view what) : data_(data), what_(what) {}

  std::uint8_t Byte(const char* field) {
    Need(1, field);
    return data_[pos_++];
  }
  std::int32_t Int(const char* field) {
    Need(4, field);
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return static_cast<std::int32_t>(v);
  }
  std::string String(const char* field) {
    std::int32_t n = Int(field);
    if (n <= 0) return {};
    Need(static_cast<std::size_t>(n), field);
    std::string s(reinterpret_cast<const char*>(data_.data() + pos_), static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    return s;
  }
  std::vector<std::string> Names(const char* field) {
    std::int32_t count = Int(field);
    std::vector<std::string> names;
    if (count <= 0) return names;
    // Every name takes at least its 4-byte length, so a count the rest cannot hold is damage.
    if (static_cast<std::size_t>(count) > (data_.size() - pos_) / 4)
      Fail(field, "count " + std::to_string(count) + " does not fit the file");
    names.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) names.push_back(String(field));
    return names;
  }

 private:
  void Need(std::size_t n, const char* field) {
    if (data_.size() - pos_ < n) Fail(field, "the file ends early");
  }
  [[noreturn]] void Fail(const char* field, const std::string& problem) {
    throw MavError(std::string(what_) + ": " + field + " at byte " + std::to_string(pos_) + ": " + problem);
  }

  std::span<const std::uint8_t> data_;
  std::string_view what_;
  std::size_t pos_ = 0;
};

void PutInt(ByteBuffer& out, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}
void PutString(ByteBuffer& out, std::string_view s) {
  PutInt(out, static_cast<std::int32_t>(s.size()));
  out.insert(out.end(), s.begin(), s.end());
}
void PutNames(ByteBuffer& out, const std::vector<std::string>& names) {
  PutInt(out, static_cast<std::int32_t>(names.size()));
  for (const auto& n : names) PutString(out, n);
}

}  // namespace

TGlobalData ParseGlobalData(std::span<const std::uint8_t> payload, std::string_view what) {
  Reader r(payload, what);
  TGlobalData d;
  d.Title = r.String("Title");
  d.ScreenMode = r.Byte("ScreenMode");
  d.StartPage = r.Int("StartPage");
  d.RegKey = r.String("RegKey");
  d.NoRegistry = r.Byte("NoRegistry");
  d.NumNames = r.Names("number variables");
  d.StrNames = r.Names("string variables");
  d.FlagNames = r.Names("flag variables");
  return d;
}

ByteBuffer BuildGlobalData(const TGlobalData& d) {
  ByteBuffer out;
  PutString(out, d.Title);
  out.push_back(d.ScreenMode);
  PutInt(out, d.StartPage);
  PutString(out, d.RegKey);
  out.push_back(d.NoRegistry);
  PutNames(out, d.NumNames);
  PutNames(out, d.StrNames);
  PutNames(out, d.FlagNames);
  return out;
}

TGlobalData ReadGlobalFile(const std::filesystem::path& file) {
  ByteBuffer payload = UnpackFile(file);
  return ParseGlobalData(payload, file.string());
}

void WriteGlobalFile(const std::filesystem::path& file, const TGlobalData& data) {
  ByteBuffer payload = BuildGlobalData(data);
  PackToFile(file, payload);
}

}  // namespace mavlet

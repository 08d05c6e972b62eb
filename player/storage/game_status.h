#pragma once
// One save slot's key=value lines. Lives for one operation: open, read or write keys, Flush.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mavlet {

class TGameStatus {
 public:
  // Opens slot `slot` in `folder` ("save%.2d"), reading its lines when the file exists.
  // An empty folder gives an in-memory status that never touches the disk.
  // Throws MavError naming the file when it exists but cannot be unpacked.
  TGameStatus(std::filesystem::path folder, int slot);
  // Opens the slot file at an explicit path (the slot number is then -1), for tools.
  static TGameStatus OpenFile(std::filesystem::path slot_file);
  // Flushes when modified; errors are swallowed here, so callers that must report them call Flush.
  ~TGameStatus();
  TGameStatus(const TGameStatus&) = delete;
  TGameStatus& operator=(const TGameStatus&) = delete;

  // Writes the lines (CR LF separated) when modified and a folder is set, creating the folder.
  // Atomic: a failure leaves the previous slot file intact. Throws MavError on failure.
  void Flush();
  // Forgets every change: Flush and the destructor then write nothing, so an operation that
  // failed half-way leaves the slot file as it was.
  void Discard() { modified_ = false; }

  // The size of the lines as the slot file holds them before packing (CR LF counted).
  std::size_t PayloadBytes() const { return payload_bytes_; }
  // A write that would make PayloadBytes() larger than `bytes` is refused: it throws MavError
  // naming the slot and the limit, and changes nothing.
  void SetSizeLimit(std::size_t bytes) { size_limit_ = bytes; }

  void ClearKeepHeader();
  // Writes "key=text"; CR and LF bytes become blanks so that the line reads back as one line.
  void WriteString(std::string_view key, std::string_view text);
  void WriteInteger(std::string_view key, std::int32_t value);
  void WriteBool(std::string_view key, bool value);
  // A key ending in "*" counts the lines that begin with the key without its "*".
  std::string ReadString(std::string_view key, std::string_view fallback) const;
  std::int32_t ReadInteger(std::string_view key, std::int32_t fallback) const;
  bool ReadBool(std::string_view key, bool fallback) const;
  // Whether a line begins with the key and "=" (a count query "...*" always answers).
  bool HasKey(std::string_view key) const;
  void DeletePrefix(std::string_view prefix);
  // Every whole line that begins with the prefix, last line first.
  std::vector<std::string> ListPrefix(std::string_view prefix) const;

  const std::vector<std::string>& Lines() const { return lines_; }
  bool Modified() const { return modified_; }
  int Slot() const { return slot_; }
  // The slot's file; empty for an in-memory status.
  const std::filesystem::path& FilePath() const { return file_; }

  // "save%.2d" for a slot number.
  static std::string SlotFileName(int slot);

 private:
  struct FromFile {};
  TGameStatus(FromFile, std::filesystem::path slot_file);
  void Load();
  std::vector<std::string>::const_iterator KeyPosition(std::string_view key) const;
  void WriteLine(std::string_view key, std::string line);

  std::filesystem::path folder_;
  std::filesystem::path file_;
  int slot_ = 0;
  std::vector<std::string> lines_;
  bool modified_ = false;
  // First line of each key (the text before a line's first "="), built on demand: a saved game
  // writes thousands of keys, and a scan per key would make saving quadratic.
  mutable std::unordered_map<std::string, std::size_t> key_index_;
  mutable bool key_index_valid_ = false;
  std::size_t payload_bytes_ = 0;
  std::size_t size_limit_ = SIZE_MAX;
};

// Splits a payload into lines at CR LF, CR or LF.
std::vector<std::string> SplitStatusLines(std::string_view payload);

}  // namespace mavlet

#pragma once
// Data discs on Linux: mounted CD/DVD volumes (iso9660, udf) stand for the drive letters "A" to
// "Z" in mount-point order; a data disc is one whose root holds "mavlet.exe" (any letter case).
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

class PathResolver;

struct MountEntry {
  std::string device;
  std::string mount_point;  // escapes such as "\040" decoded
  std::string type;
};

// Lines of a mounts table (/proc/self/mounts format); malformed lines are skipped.
std::vector<MountEntry> ParseMounts(std::string_view text);
// Undoes the kernel's octal escapes ("\040" blank, "\011" tab, "\012" newline, "\134" backslash).
std::string DecodeMountField(std::string_view field);

class DataDiscs {
 public:
  // mounts_file: normally /proc/self/mounts; tests pass a file of their own.
  DataDiscs(std::filesystem::path mounts_file, PathResolver& resolver);

  // Mounted optical volumes, in the order of drive letters "A" to "Z" (at most 26).
  // Read afresh on every call: discs come and go while the player runs.
  std::vector<std::filesystem::path> OpticalRoots();
  // Those optical volumes whose root holds "mavlet.exe".
  std::vector<std::filesystem::path> DataDiscRoots();

 private:
  std::filesystem::path mounts_file_;
  PathResolver& resolver_;
};

}  // namespace mavlet

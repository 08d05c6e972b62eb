#pragma once
// Building a title folder from a title source folder, and the way back for inspection.
// The source layout is described in docs/title-source.md.
#include <filesystem>
#include <optional>
#include <ostream>

namespace mavtool {

struct BuildOptions {
  // Override the description's pack_scenarios / pack_sounds when set.
  std::optional<bool> pack_scenarios;
  std::optional<bool> pack_sounds;
};

// Marks a folder as written by BuildTitle, so a later build may clear it.
inline constexpr const char* kBuiltMarker = ".mavtool-title";

// Writes the title into `out`: Pmx/, PMP/ and WAV/. `out` must be missing, empty, or an earlier
// build (then its Pmx, PMP and WAV folders are replaced). Notes that do not stop the build go to
// `notes`. Throws ToolError or MavError naming the source file and the problem.
void BuildTitle(const std::filesystem::path& src, const std::filesystem::path& out,
                const BuildOptions& options, std::ostream& notes);

// Writes a title source folder for the title in `title`; BuildTitle on the result gives the same
// title data. `out` must be missing or empty. Files the kit does not know are skipped with a note.
void UnpackTitle(const std::filesystem::path& title, const std::filesystem::path& out, std::ostream& notes);

}  // namespace mavtool

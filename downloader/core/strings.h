#pragma once
// The downloader's string table in English and Japanese (UTF-8), chosen from the environment's
// language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG: the first one set decides; "ja..." is Japanese).
// An unknown number gives an empty text.
#include <string>
#include <string_view>

namespace quillget {

enum class Language { English, Japanese };

Language LanguageFromEnvironment();
Language LanguageFromTag(std::string_view tag);

class Strings {
 public:
  explicit Strings(Language language) : language_(language) {}
  std::string_view Text(int number) const;
  Language language() const { return language_; }

 private:
  Language language_;
};

// Replaces each "%s" of format by the next argument, in order.
std::string FillIn(std::string_view format, std::initializer_list<std::string_view> args);

}  // namespace quillget

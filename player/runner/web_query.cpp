#include "player/runner/web_query.h"

#include "player/common/error.h"
#include "player/common/int_convert.h"

namespace mavlet {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Quoted(std::string_view name, std::string_view value) {
  return std::string(name) + "=" + std::string(value);
}

std::int32_t Positive(std::string_view name, std::string_view raw, const std::string& value) {
  const std::optional<std::int32_t> n = ParseDecimalStrict(value);
  if (!n || *n < 1) throw MavError("URL parameter " + Quoted(name, raw) + ": not a positive integer");
  return *n;
}

bool Switch(std::string_view name, std::string_view raw, const std::string& value) {
  if (value == "1") return true;
  if (value == "0") return false;
  throw MavError("URL parameter " + Quoted(name, raw) + ": give 0 or 1");
}

}  // namespace

std::optional<std::string> DecodeQueryValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '+') {
      out += ' ';
    } else if (c != '%') {
      out += c;
    } else {
      if (i + 2 >= value.size()) return std::nullopt;
      const int hi = HexDigit(value[i + 1]);
      const int lo = HexDigit(value[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    }
  }
  return out;
}

RunQuery ParseRunQuery(std::string_view query) {
  if (!query.empty() && query.front() == '?') query.remove_prefix(1);
  RunQuery q;
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view part = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    if (part.empty()) continue;
    const std::size_t eq = part.find('=');
    const std::string_view name = part.substr(0, eq);
    const std::string_view raw = eq == std::string_view::npos ? std::string_view() : part.substr(eq + 1);
    const bool known = name == "events" || name == "interval" || name == "input" || name == "vars" ||
                       name == "shot" || name == "depth";
    if (!known) continue;
    const std::optional<std::string> value = DecodeQueryValue(raw);
    if (!value) throw MavError("URL parameter " + Quoted(name, raw) + ": bad percent escape");
    if (name == "events") {
      q.events = Positive(name, raw, *value);
    } else if (name == "interval") {
      q.interval = Positive(name, raw, *value);
    } else if (name == "input") {
      if (value->empty()) throw MavError("URL parameter input=: give the input script's address");
      q.input = *value;
    } else if (name == "vars") {
      q.vars = Switch(name, raw, *value);
    } else if (name == "shot") {
      q.shot = Switch(name, raw, *value);
    } else if (*value == "16" || *value == "24" || *value == "32") {
      q.depth = std::stoi(*value);
    } else {
      throw MavError("URL parameter " + Quoted(name, raw) + ": give 16, 24 or 32");
    }
  }
  return q;
}

}  // namespace mavlet

#pragma once

#include <string>
#include <string_view>

// The "/"-joined paths by which card builders name what they write.
namespace kova::mkcard {

// Without leading and trailing slashes; empty for the root.
inline std::string CleanPath(std::string_view path) {
  while (!path.empty() && path.front() == '/')
    path.remove_prefix(1);
  while (!path.empty() && path.back() == '/')
    path.remove_suffix(1);
  return std::string(path);
}

inline std::string ParentOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? "" : std::string(path.substr(0, slash));
}

inline std::string NameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

inline std::string Quoted(std::string_view path) {
  return "'" + std::string(path) + "'";
}

}  // namespace kova::mkcard

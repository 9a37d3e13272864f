#pragma once
// Splitting key paths, shared by the store backends so that they agree on what a path means.
//
// Thread: any.

#include <optional>
#include <string_view>
#include <vector>

namespace zav::platform {

// The key's ancestors and the key itself, shortest first, with separators at either end of the
// path trimmed: "\A\B\C\" gives "A", "A\B", "A\B\C". The hive's root (an empty path) gives an
// empty list. Nothing when a name inside the path is empty ("A\\B"), since no key has that path.
// The views point into path.
std::optional<std::vector<std::string_view>> KeyPathPrefixes(std::string_view path);

}  // namespace zav::platform

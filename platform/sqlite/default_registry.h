#pragma once
// Where the programs' registry store lives, and opening it.
//
// Thread: any; the environment is only read.

#include <memory>
#include <string>

#include "platform/registry/registry.h"

namespace zav::platform {

// $ZAV_REGISTRY when set and not empty; else $XDG_DATA_HOME/zav/registry.sqlite when that is
// an absolute path (relative ones are ignored, as the XDG rules say); else
// $HOME/.local/share/zav/registry.sqlite, with the account's home folder when HOME is unset.
// Empty when none of these is known.
std::string DefaultRegistryPath();

// The SQLite store at DefaultRegistryPath(). Opening touches no file.
std::unique_ptr<RegistryStore> OpenDefaultRegistry();

}  // namespace zav::platform

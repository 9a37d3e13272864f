#pragma once
// zavtool demo-install DIR [--variant m|f] [--force]: a complete sample installation of the
// host product that the recorder starts on. DIR/data/ gets the six built-in key sounds of the
// chosen set, DIR/sys/ the setup file naming that set, and the store the two values that lead
// there (DataPath with its trailing separator, ZavSysPath without).
//
// Nothing is written when an installation exists already (either value set, or any of the
// files there) unless --force is given. Files are written first and the store values last, so
// that a failure never leaves a value pointing at a half-made installation; the files this run
// added are then removed again. The recordings' values (Key6Info ... Key0Info) are never
// touched.
//
// Thread: the caller's; the command keeps no state between runs.

#include "tools/zavtool/command.h"
#include "tools/zavtool/folder_maker.h"

namespace zavtool {

// The command with its folders made through folders; RunDemoInstall uses the real ones.
ExitStatus InstallDemo(CommandContext& context, FolderMaker& folders);

}  // namespace zavtool

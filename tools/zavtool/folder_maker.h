#pragma once
// Making folders, which the files seam does not do: only zavtool's demo-install needs it, to
// lay out a sample installation. Paths are in the host's form, as the files seam takes them.
//
// Thread: any; the calls share no state.

#include <string_view>

#include "platform/files/files.h"

namespace zavtool {

class FolderMaker {
  public:
    virtual ~FolderMaker() = default;

    // Makes the folder and any missing parents; a folder that exists already is success.
    virtual zav::platform::FileStatus MakeFolders(std::string_view hostPath) = 0;
};

// Folders on the machine's own file system.
class NativeFolderMaker : public FolderMaker {
  public:
    zav::platform::FileStatus MakeFolders(std::string_view hostPath) override;
};

}  // namespace zavtool

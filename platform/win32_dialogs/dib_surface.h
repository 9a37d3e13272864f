#pragma once
// A 32-bit top-down bitmap that GDI draws into and the program reads and writes pixel by pixel:
// a DIB section selected into its own memory device context. The pixels are 0xAARRGGBB words
// (blue in the lowest byte, as the host stores them).
//
// GDI has no anti-aliasing. Drawings that must look smooth (the needle gauge, the icons) are
// drawn at a multiple of their size and averaged down (Downsample).
//
// Thread: the thread that made it.

#include <windows.h>

#include <cstdint>
#include <span>

#include "platform/win32_dialogs/gdi_handles.h"

namespace zav::platform::win32 {

class DibSurface {
  public:
    // A surface of width x height pixels, all zero. Empty (Valid() false) when a size is not
    // positive or the system has no memory for it.
    DibSurface(int width, int height);
    ~DibSurface();
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    bool Valid() const { return bits_ != nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    HDC Dc() const { return dc_.get(); }
    HBITMAP Bitmap() const { return bitmap_.get(); }

    // Row-major pixels; GDI's drawing must be finished (GdiFlush) before they are read.
    std::span<std::uint32_t> Pixels();
    std::span<const std::uint32_t> Pixels() const;

  private:
    int width_ = 0;
    int height_ = 0;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// Each pixel of to becomes the average of the factor x factor block of from at the same place:
// from must be factor times as wide and as high. Every channel is averaged, alpha included.
void Downsample(const DibSurface& from, int factor, DibSurface& to);

}  // namespace zav::platform::win32

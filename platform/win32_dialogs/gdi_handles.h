#pragma once
// Owners for the GDI and USER handles this backend makes: each handle is released exactly once,
// by the call that belongs to its kind, when its owner goes.
//
// Thread: the thread that made the handle (GDI objects and icons belong to it in practice).

#include <windows.h>

#include <memory>
#include <type_traits>

namespace zav::platform::win32 {

namespace detail {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
struct MemoryDcDeleter {
    void operator()(HDC dc) const { ::DeleteDC(dc); }
};
struct IconDeleter {
    void operator()(HICON icon) const { ::DestroyIcon(icon); }
};

}  // namespace detail

// HBRUSH, HPEN, HBITMAP, HRGN, HFONT: DeleteObject.
template <typename Handle>
using UniqueGdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, detail::GdiObjectDeleter>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniquePen = UniqueGdiObject<HPEN>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueRegion = UniqueGdiObject<HRGN>;
using UniqueFont = UniqueGdiObject<HFONT>;
// A memory device context (CreateCompatibleDC): DeleteDC.
using UniqueMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, detail::MemoryDcDeleter>;
// An icon made with CreateIconIndirect: DestroyIcon.
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, detail::IconDeleter>;

// Selects an object into a device context and puts the previous one back when it goes, so that
// the object can be deleted afterwards.
class ScopedSelection {
  public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~ScopedSelection() { ::SelectObject(dc_, previous_); }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// GetDC / ReleaseDC of a window.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr)
            ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC Get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// BeginPaint / EndPaint, for a WM_PAINT handler.
class PaintScope {
  public:
    explicit PaintScope(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
    ~PaintScope() { ::EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    HDC Dc() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

}  // namespace zav::platform::win32

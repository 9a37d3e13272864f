#include "platform/win32_dialogs/dib_surface.h"

namespace zav::platform::win32 {

DibSurface::DibSurface(int width, int height) {
    if (width <= 0 || height <= 0)
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dc)
        return;
    UniqueBitmap bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr)
        return;
    previous_ = ::SelectObject(dc.get(), bitmap.get());
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
}

DibSurface::~DibSurface() {
    if (dc_ && previous_ != nullptr)
        ::SelectObject(dc_.get(), previous_);
}

std::span<std::uint32_t> DibSurface::Pixels() {
    if (bits_ == nullptr)
        return {};
    ::GdiFlush();
    return {bits_, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)};
}

std::span<const std::uint32_t> DibSurface::Pixels() const {
    if (bits_ == nullptr)
        return {};
    ::GdiFlush();
    return {bits_, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)};
}

void Downsample(const DibSurface& from, int factor, DibSurface& to) {
    if (factor <= 0 || !from.Valid() || !to.Valid() || from.Width() != to.Width() * factor ||
        from.Height() != to.Height() * factor) {
        return;
    }
    const std::span<const std::uint32_t> source = from.Pixels();
    const std::span<std::uint32_t> target = to.Pixels();
    const std::uint32_t count = static_cast<std::uint32_t>(factor * factor);
    for (int y = 0; y < to.Height(); ++y) {
        for (int x = 0; x < to.Width(); ++x) {
            std::uint32_t sums[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < factor; ++dy) {
                const std::size_t row = static_cast<std::size_t>(y * factor + dy) *
                                        static_cast<std::size_t>(from.Width());
                for (int dx = 0; dx < factor; ++dx) {
                    const std::uint32_t pixel =
                        source[row + static_cast<std::size_t>(x * factor + dx)];
                    for (int channel = 0; channel < 4; ++channel)
                        sums[channel] += (pixel >> (8 * channel)) & 0xFF;
                }
            }
            std::uint32_t averaged = 0;
            for (int channel = 0; channel < 4; ++channel)
                averaged |= ((sums[channel] + count / 2) / count) << (8 * channel);
            target[static_cast<std::size_t>(y) * static_cast<std::size_t>(to.Width()) +
                   static_cast<std::size_t>(x)] = averaged;
        }
    }
}

}  // namespace zav::platform::win32

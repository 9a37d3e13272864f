// Writes the programs' desktop icons from their own icon resources, laid out as the hicolor
// theme wants them: OUT/hicolor/scalable/apps/ID.svg and OUT/hicolor/NxN/apps/ID.png. The PNGs
// are drawn by the painter that draws the windows' icons, the SVGs by icon_svg.h.
//
//   zav_export_icons OUT

#include <QImage>
#include <QPainter>
#include <QString>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "keyvoice/resources.h"
#include "packaging/icons/icon_svg.h"
#include "packaging/program_info.h"
#include "platform/qt/icon_painter.h"
#include "voxgauge/resources.h"

namespace {

namespace fs = std::filesystem;
using zav::platform::IconDrawing;

// The sizes desktops and software centres look for.
constexpr std::array kPixelSizes{16, 22, 24, 32, 48, 64, 128, 256, 512};

struct ProgramIcon {
    std::string_view desktopId;
    const IconDrawing& drawing;
};

bool WriteSvg(const ProgramIcon& icon, const fs::path& themeFolder) {
    const fs::path folder = themeFolder / "scalable" / "apps";
    fs::create_directories(folder);
    std::ofstream file(folder / (std::string(icon.desktopId) + ".svg"), std::ios::binary);
    file << zav::packaging::IconSvg(icon.drawing);
    return static_cast<bool>(file.flush());
}

bool WritePng(const ProgramIcon& icon, const fs::path& themeFolder, int size) {
    const std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
    const fs::path folder = themeFolder / sizeName / "apps";
    fs::create_directories(folder);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        zav::platform::qt::PaintIcon(icon.drawing, painter, QRectF(0, 0, size, size));
    }
    const fs::path file = folder / (std::string(icon.desktopId) + ".png");
    return image.save(QString::fromStdString(file.string()), "PNG");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zav_export_icons OUT\n");
        return 2;
    }
    const std::array icons{
        ProgramIcon{zav::packaging::kVoxGaugeDesktopId, voxgauge::MainFrameIcon()},
        ProgramIcon{zav::packaging::kKeyVoiceDesktopId, keyvoice::MainFrameIcon()},
    };
    const fs::path themeFolder = fs::path(argv[1]) / "hicolor";
    try {
        for (const ProgramIcon& icon : icons) {
            bool written = WriteSvg(icon, themeFolder);
            for (const int size : kPixelSizes)
                written = written && WritePng(icon, themeFolder, size);
            if (!written) {
                std::fprintf(stderr, "zav_export_icons: could not write %s's icons under %s\n",
                             std::string(icon.desktopId).c_str(), themeFolder.c_str());
                return 1;
            }
        }
    } catch (const fs::filesystem_error& error) {
        std::fprintf(stderr, "zav_export_icons: %s\n", error.what());
        return 1;
    }
    return 0;
}

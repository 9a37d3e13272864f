// What the window of a running dialog promises its presenter on the programs' own templates,
// beyond the dialog-view contract: controls where the template puts them and in their tab order,
// a key button held pushed in whatever the mouse does, the gauge's value and needle, the painted
// meter, tool tips and icons.

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <vector>

#include "dialog_driver.h"
#include "keyvoice/resources.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/plain_dialog.h"
#include "platform/win32_dialogs/needle_gauge_window.h"
#include "voxgauge/resources.h"

namespace win32_dialog_test {
namespace {

// The base units the host takes from the dialog's font.
platform::DialogBaseUnits FontUnits(HWND dialog) {
    const HDC dc = ::GetDC(dialog);
    const HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
    const std::wstring sample(platform::kBaseUnitSample.begin(), platform::kBaseUnitSample.end());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, sample.c_str(), static_cast<int>(sample.size()), &size);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, previous);
    ::ReleaseDC(dialog, dc);
    return platform::BaseUnitsFromFont(size.cx, metrics.tmHeight);
}

platform::PixelRect PlaceInDialog(HWND control, HWND dialog) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void CheckLayout(const platform::DialogTemplate& dialog) {
    SCOPED_TRACE(std::string(dialog.caption));
    platform::PlainDialog handler;
    RunWithScript(dialog, handler, [&](DialogDriver& run) {
        run.OnDialog([&] {
            const HWND window = run.Window()->Handle();
            const platform::DialogBaseUnits units = FontUnits(window);
            ASSERT_GT(units.averageCharWidth, 0);
            // The host's own conversion and the seam's agree on every rectangle.
            RECT client{};
            ::GetClientRect(window, &client);
            const platform::PixelRect size =
                platform::MapDialogRect({0, 0, dialog.width, dialog.height}, units);
            EXPECT_EQ(client.right, size.width);
            EXPECT_EQ(client.bottom, size.height);
            // Children come in template order; an icon control takes the icon's size.
            HWND child = ::GetWindow(window, GW_CHILD);
            std::vector<HWND> tabStops;
            for (const platform::ControlTemplate& control : dialog.controls) {
                ASSERT_NE(child, nullptr);
                // The dialog manager converts a control's place and its size each on its own
                // (the seam's MapDialogRect converts the edges, so its sizes can be one pixel
                // more or less); the host's MapDialogRect converts edges, as the seam does.
                const platform::PixelRect seam = platform::MapDialogRect(control.rect, units);
                const platform::PixelRect placed = PlaceInDialog(child, window);
                EXPECT_EQ(placed.x, seam.x) << control.text;
                EXPECT_EQ(placed.y, seam.y) << control.text;
                if (control.kind != platform::ControlKind::Icon) {
                    EXPECT_EQ(placed.width, platform::MulDivRounded(control.rect.width,
                                                                    units.averageCharWidth, 4))
                        << control.text;
                    EXPECT_EQ(placed.height,
                              platform::MulDivRounded(control.rect.height, units.charHeight, 8))
                        << control.text;
                    EXPECT_LE(std::abs(placed.width - seam.width), 1) << control.text;
                    EXPECT_LE(std::abs(placed.height - seam.height), 1) << control.text;
                } else {
                    EXPECT_EQ(placed.width, ::GetSystemMetrics(SM_CXICON));
                }
                RECT hostRect{control.rect.x, control.rect.y, control.rect.x + control.rect.width,
                              control.rect.y + control.rect.height};
                ::MapDialogRect(window, &hostRect);
                EXPECT_EQ(hostRect.left, seam.x);
                EXPECT_EQ(hostRect.top, seam.y);
                EXPECT_EQ(hostRect.right - hostRect.left, seam.width);
                EXPECT_EQ(hostRect.bottom - hostRect.top, seam.height);
                if ((control.style & platform::kStyleTabStop) != 0 && ::IsWindowEnabled(child))
                    tabStops.push_back(child);
                child = ::GetWindow(child, GW_HWNDNEXT);
            }
            // Tab goes through the tab stops in template order and comes round again.
            ASSERT_FALSE(tabStops.empty());
            HWND at = tabStops.front();
            for (std::size_t i = 1; i <= tabStops.size(); ++i) {
                at = ::GetNextDlgTabItem(window, at, FALSE);
                EXPECT_EQ(at, tabStops[i % tabStops.size()]) << i;
            }
        });
    });
}

TEST(Win32DialogView, ControlsStandWhereTheTemplatesPutThemInTheirTabOrder) {
    CheckLayout(voxgauge::MicSetupTemplate());
    CheckLayout(voxgauge::AboutBoxTemplate());
    CheckLayout(keyvoice::KeyVoiceTemplate());
    CheckLayout(keyvoice::AboutBoxTemplate());
}

// Fills the top half of whatever it is given red, and writes down what it was given.
class HalfPainter : public platform::ControlPainter {
  public:
    void OnPaint(platform::Canvas& canvas) override {
        ++paints;
        width = canvas.Width();
        height = canvas.Height();
        background = canvas.BackgroundColour();
        canvas.FillRect({-5, -5, canvas.Width() + 5, canvas.Height() / 2}, {255, 0, 0});
    }
    int paints = 0;
    int width = 0;
    int height = 0;
    platform::Rgb background;
};

TEST(Win32DialogView, KeepsWhatItPromisesThePresenter) {
    using namespace keyvoice;
    platform::PlainDialog handler;
    HalfPainter painter;
    RunWithScript(KeyVoiceTemplate(), handler, [&](DialogDriver& run) {
        const HWND key6 = run.Control(kIdcKey6);
        run.OnDialog([&] {
            win32::Win32DialogWindow& view = *run.Window();
            view.SetButtonState(kIdcKey6, true);
            view.SetToolTip(kIdcPlay, "PLAY");
            view.SetToolTip(kIdcStop, "STOP");
            view.SetToolTip(kIdcStop, "");
            view.AttachPainter(kIdcMeterFrame, &painter);
            view.SetIcon(MainFrameIcon());
        });
        // A press on the held key that slides off it and is released outside: the button
        // clears its own pushed look, the program's hold puts it back.
        ::PostMessageW(key6, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        ::PostMessageW(key6, WM_LBUTTONUP, 0, MAKELPARAM(500, 500));
        run.OnDialog([] {});  // the two have been handled once this has
        run.OnDialog([&] {
            win32::Win32DialogWindow& view = *run.Window();
            EXPECT_NE(::SendMessageW(key6, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
            view.EnableControl(kIdcKey6, false);
            EXPECT_TRUE(view.GetButtonState(kIdcKey6));
            view.SetButtonState(kIdcKey6, false);
            EXPECT_EQ(::SendMessageW(key6, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);

            // One tool tip is left, with its text.
            const HWND tips = view.ToolTipHandle();
            ASSERT_EQ(::SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 1);
            wchar_t text[32] = {};
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.hwnd = view.Handle();
            tool.uId = reinterpret_cast<UINT_PTR>(view.ControlHandle(kIdcPlay));
            tool.lpszText = text;
            ::SendMessageW(tips, TTM_GETTEXTW, 32, reinterpret_cast<LPARAM>(&tool));
            EXPECT_EQ(std::wstring(text), L"PLAY");

            // The window's icons at the system's sizes.
            const auto big =
                reinterpret_cast<HICON>(::SendMessageW(view.Handle(), WM_GETICON, ICON_BIG, 0));
            ICONINFO info{};
            ASSERT_TRUE(::GetIconInfo(big, &info));
            BITMAP bitmap{};
            ::GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
            EXPECT_EQ(bitmap.bmWidth, ::GetSystemMetrics(SM_CXICON));
            ::DeleteObject(info.hbmColor);
            ::DeleteObject(info.hbmMask);
        });
        // The painted child covers the frame's inside and draws on the dialog's face.
        ASSERT_TRUE(run.WaitFor([&] { return painter.paints > 0; }));
        run.OnDialog([&] {
            win32::Win32DialogWindow& view = *run.Window();
            const platform::ClientRect inside = view.GetControlClientRect(kIdcMeterFrame);
            EXPECT_EQ(painter.width, inside.Width());
            EXPECT_EQ(painter.height, inside.Height());
            const COLORREF face = ::GetSysColor(COLOR_3DFACE);
            EXPECT_EQ(painter.background,
                      (platform::Rgb{GetRValue(face), GetGValue(face), GetBValue(face)}));
            int width = 0;
            const std::vector<std::uint32_t> shown =
                Picture(view.PaintedHandle(kIdcMeterFrame), &width);
            ASSERT_FALSE(shown.empty());
            EXPECT_EQ(shown.front() & 0xFFFFFF, 0xFF0000u);
            EXPECT_EQ(shown.back() & 0xFFFFFF, static_cast<std::uint32_t>(GetRValue(face)) << 16 |
                                                   GetGValue(face) << 8 | GetBValue(face));
            painter.paints = 0;
            view.Repaint(kIdcMeterFrame);
        });
        ASSERT_TRUE(run.WaitFor([&] { return painter.paints > 0; }));
        run.OnDialog([&] { run.Window()->AttachPainter(kIdcMeterFrame, nullptr); });
        run.OnDialog([&] { EXPECT_EQ(run.Window()->PaintedHandle(kIdcMeterFrame), nullptr); });
    });
}

TEST(Win32DialogView, TheGaugeHoldsItsValueToItsScaleAndDrawsTheNeedleThere) {
    platform::PlainDialog handler;
    RunWithScript(voxgauge::MicSetupTemplate(), handler, [&](DialogDriver& run) {
        using voxgauge::kIdcLevelGauge;
        std::vector<std::vector<std::uint32_t>> pictures;
        for (const int value : {-3, 20}) {
            run.OnDialog([&] { run.Window()->SetControlValue(kIdcLevelGauge, value); });
            const int expected = value < 0 ? 0 : 15;
            ASSERT_TRUE(run.WaitFor([&] {
                return run.Window()->GetControlValue(kIdcLevelGauge) == expected &&
                       win32::NeedlePosition(run.Control(kIdcLevelGauge)) == expected;
            }));
            int width = 0;
            pictures.push_back(Picture(run.Control(kIdcLevelGauge), &width));
            // The needle lies on the quiet side at 0 and on the loud side at 15: the dark blade
            // colours more pixels in that half of the dial.
            auto dark = [&](bool left) {
                int count = 0;
                for (std::size_t i = 0; i < pictures.back().size(); ++i) {
                    const std::uint32_t pixel = pictures.back()[i];
                    const bool inLeft =
                        static_cast<int>(i % static_cast<std::size_t>(width)) < width / 2;
                    if (inLeft == left && (pixel & 0xFF) < 0x60 && ((pixel >> 16) & 0xFF) < 0x60)
                        ++count;
                }
                return count;
            };
            if (expected == 0) {
                EXPECT_GT(dark(true), dark(false) + 20);
            } else {
                EXPECT_GT(dark(false), dark(true) + 20);
            }
        }
        EXPECT_NE(pictures[0], pictures[1]);
    });
}

}  // namespace
}  // namespace win32_dialog_test

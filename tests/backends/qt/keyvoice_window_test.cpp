// KeyVoice's recorder window (template 102) built by the Qt backend with a stand-in presenter
// instead of the engines: the level meter on its painted child, a key button held pushed in
// while the focus and the enabled state change, a picture button's disabled look, the names the
// controls give to assistive tools. And both programs' About boxes; screenshots of each for a
// person to look at.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <string>

#include "keysound/string_table.h"
#include "keyvoice/info_wnd.h"
#include "keyvoice/resources.h"
#include "platform/qt/icon_painter.h"
#include "platform/qt/painted_control.h"
#include "platform/qt/qt_dialog_window.h"
#include "platform/qt/qt_dispatcher.h"
#include "platform/ui/plain_dialog.h"
#include "qt_test_environment.h"
#include "voxgauge/resources.h"

namespace {

namespace platform = zav::platform;
using platform::qt::PaintedControl;
using platform::qt::QtDialogWindow;
using platform::qt::QtDispatcher;

constexpr int kShownLevel = 9;
constexpr int kVolumeMaximum = 65535;
constexpr int kVolumeTickStep = 7282;

// The recorder as it looks with key 6 selected, holding a sound, at level 9.
class ShowcaseDialog : public platform::DialogHandler {
  public:
    explicit ShowcaseDialog(platform::Dispatcher& dispatcher) : meter(dispatcher) {}

    int OnCreate(platform::DialogView& view) override {
        view_ = &view;
        return 0;
    }
    bool OnInitDialog() override {
        view_->SetIcon(keyvoice::MainFrameIcon());
        view_->SetSliderRange(keyvoice::kIdcRecordVolume, 0, kVolumeMaximum, true);
        view_->SetSliderPos(keyvoice::kIdcRecordVolume, kVolumeMaximum / 3, true);
        for (int tick = 0; tick <= kVolumeMaximum; tick += kVolumeTickStep)
            view_->SetSliderTic(keyvoice::kIdcRecordVolume, tick);
        view_->SetSliderPos(keyvoice::kIdcPosition, 40, true);
        view_->EnableControl(keyvoice::kIdcStop, false);
        meter.CreateMeter(*view_, keyvoice::kIdcMeterFrame);
        meter.SetLevel(kShownLevel);
        view_->SetButtonState(keyvoice::kIdcKey6, true);
        view_->SetFocus(keyvoice::kIdcKey6);
        return false;
    }
    void OnOK() override { view_->EndDialog(platform::kIdOk); }
    void OnCancel() override { view_->EndDialog(platform::kIdCancel); }
    void OnDestroy() override {
        meter.DestroyMeter();
        view_ = nullptr;
    }

    keyvoice::CInfoWnd meter;

  private:
    platform::DialogView* view_ = nullptr;
};

// Whether a label's text fits its box: no word wider than the box, no lines below it.
bool TextFits(const QLabel& label) {
    const QFontMetrics metrics(label.font());
    for (const QString& word : label.text().split(u' ', Qt::SkipEmptyParts)) {
        if (metrics.horizontalAdvance(word) > label.contentsRect().width())
            return false;
    }
    return label.heightForWidth(label.width()) <= label.height();
}

QImage ButtonFace(QtDialogWindow& window, int id) {
    return window.ControlWidget(id)->grab().toImage();
}

// The lightness (qGray) of the darkest pixel of image inside area.
int DarkestIn(const QImage& image, const QRect& area) {
    int darkest = 255;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    }
    return darkest;
}

// Where a button draws size: centred, as push buttons place their icon and text.
QRect CentredIn(const QWidget& button, QSize size) {
    QRect area(QPoint(0, 0), size);
    area.moveCenter(button.rect().center());
    return area;
}

TEST(KeyVoiceWindow, ShowsTheMeterTheSelectedKeyAndGreyedPicturesAndNamesItsControls) {
    QtDispatcher dispatcher;
    ShowcaseDialog dialog(dispatcher);
    bool ran = false;

    qt_test::RunWhenActive(keyvoice::KeyVoiceTemplate(), dialog, [&](QtDialogWindow& window) {
        using keyvoice::kIdcKey6;
        ran = true;
        auto* play = qobject_cast<QPushButton*>(window.ControlWidget(keyvoice::kIdcPlay));
        ASSERT_NE(play, nullptr);
        ASSERT_TRUE(qt_test::WaitFor([&] { return window.ControlWidget(kIdcKey6)->hasFocus(); }));
        window.SetFocus(keyvoice::kIdcPlay);
        ASSERT_TRUE(qt_test::WaitFor([&] { return play->hasFocus(); }));
        qt_test::SaveScreenshot(window, QStringLiteral("keyvoice-meter.png"));
        EXPECT_EQ(window.windowTitle(), QStringLiteral("ZAV Sound Recorder"));
        for (QLabel* label : window.findChildren<QLabel*>()) {
            EXPECT_TRUE(TextFits(*label)) << label->text().toStdString();
            EXPECT_EQ(label->accessibleName(), label->text());
        }

        // The meter covers the frame's inside and shows the level: 8 dark green, 1 green.
        auto* painted = window.findChild<PaintedControl*>(QStringLiteral("painted1013"));
        ASSERT_NE(painted, nullptr);
        const platform::ClientRect client = window.GetControlClientRect(keyvoice::kIdcMeterFrame);
        EXPECT_EQ(painted->size(), QSize(client.Width(), client.Height()));
        const QImage meter = painted->grab().toImage();
        const QColor face =
            window.ControlWidget(keyvoice::kIdcMeterFrame)->palette().color(QPalette::Window);
        int lit = 0;
        for (int segment = 0; segment < keyvoice::kMeterSegmentCount; ++segment) {
            const platform::ClientRect& rect = dialog.meter.Segments()[segment];
            const QColor shown =
                meter.pixelColor((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
            if (shown != face)
                ++lit;
            if (segment == 0) {
                EXPECT_EQ(shown, QColor(0, 127, 0));
            } else if (segment == kShownLevel - 1) {
                EXPECT_EQ(shown, QColor(0, 255, 0));
            }
        }
        EXPECT_EQ(lit, kShownLevel);

        // Key 6 stays pushed in, drawn so, after the focus left it and while it is disabled.
        EXPECT_TRUE(window.GetButtonState(kIdcKey6));
        const QImage pushed = ButtonFace(window, kIdcKey6);
        window.SetButtonState(kIdcKey6, false);
        EXPECT_NE(ButtonFace(window, kIdcKey6), pushed);
        window.SetButtonState(kIdcKey6, true);
        EXPECT_EQ(ButtonFace(window, kIdcKey6), pushed);
        window.EnableControl(kIdcKey6, false);
        EXPECT_TRUE(window.GetButtonState(kIdcKey6));
        const QImage pushedDisabled = ButtonFace(window, kIdcKey6);
        window.SetButtonState(kIdcKey6, false);
        EXPECT_NE(ButtonFace(window, kIdcKey6), pushedDisabled);

        // The picture buttons are known by their texts, which they do not show.
        const std::pair<int, keyvoice::StringId> pictured[] = {
            {keyvoice::kIdcPlay, keyvoice::StringId::Play},
            {keyvoice::kIdcStop, keyvoice::StringId::Stop},
            {keyvoice::kIdcRec, keyvoice::StringId::Rec},
        };
        for (const auto& [id, name] : pictured) {
            auto* button = qobject_cast<QPushButton*>(window.ControlWidget(id));
            ASSERT_NE(button, nullptr) << id;
            EXPECT_TRUE(button->text().isEmpty()) << id;
            EXPECT_FALSE(button->icon().isNull()) << id;
            EXPECT_EQ(button->accessibleName().toStdString(), keyvoice::LoadString(name));
        }

        // Disabled, a picture is drawn as light as a disabled text.
        auto* erase = qobject_cast<QPushButton*>(window.ControlWidget(keyvoice::kIdcErase));
        ASSERT_NE(erase, nullptr);
        ASSERT_TRUE(play->isEnabled());
        window.SetFocus(keyvoice::kIdcRecordVolume);  // no focus frame on PLAY

        // Enabled, PLAY looks as a plain button with the drawing as its icon.
        QPushButton plain(&window);
        plain.setAutoDefault(play->autoDefault());
        plain.resize(play->size());
        plain.setIconSize(play->iconSize());
        plain.setIcon(
            QIcon(platform::qt::IconPixmap(keyvoice::PlayIcon(), play->iconSize().width())));
        const QImage enabled = ButtonFace(window, keyvoice::kIdcPlay);
        EXPECT_EQ(enabled, plain.grab().toImage());

        window.EnableControl(keyvoice::kIdcPlay, false);
        window.EnableControl(keyvoice::kIdcErase, false);
        const QImage disabled = ButtonFace(window, keyvoice::kIdcPlay);
        const QImage eraseFace = ButtonFace(window, keyvoice::kIdcErase);
        const QRect picture = CentredIn(*play, play->iconSize());
        const int faceGrey =
            qGray(disabled.pixel(picture.topLeft()));  // the drawing leaves corners
        const int text =
            DarkestIn(eraseFace, CentredIn(*erase, erase->fontMetrics().size(0, erase->text())));
        ASSERT_LT(text, faceGrey);                  // the text is there to compare with
        EXPECT_EQ(DarkestIn(enabled, picture), 0);  // the black triangle
        const int greyed = DarkestIn(disabled, picture);
        EXPECT_GE(greyed, text);
        EXPECT_LT(greyed, faceGrey);  // greyed, not gone
    });

    EXPECT_TRUE(ran);
    EXPECT_FALSE(dialog.meter.IsCreated());  // taken away when the window went
}

TEST(AboutBox, ShowsTheIconAndTheVersionAndTakesAScreenshot) {
    const struct {
        const platform::DialogTemplate& dialog;
        QString title;
        int pointSize;
        QString version;
        QString screenshot;
    } boxes[] = {
        {keyvoice::AboutBoxTemplate(), "ZAV Sound Recorder", 9, "ZAV Sound Recorder Version 1.0",
         "keyvoice-about.png"},
        {voxgauge::AboutBoxTemplate(), "About VoxGauge", 8, "VoxGauge Version 1.0",
         "voxgauge_about.png"},
    };
    for (const auto& box : boxes) {
        SCOPED_TRACE(box.title.toStdString());
        platform::PlainDialog about;
        QString version;
        bool iconShown = false;
        const int result = qt_test::RunWhenActive(box.dialog, about, [&](QtDialogWindow& window) {
            EXPECT_EQ(window.windowTitle(), box.title);
            EXPECT_EQ(window.font().pointSize(), box.pointSize);
            for (const QLabel* label : window.findChildren<QLabel*>()) {
                if (!label->text().isEmpty()) {
                    version = label->text();
                    EXPECT_TRUE(TextFits(*label));
                }
                if (!label->pixmap().isNull())
                    iconShown = true;
            }
            qt_test::SaveScreenshot(window, box.screenshot);
            QTest::keyClick(&window, Qt::Key_Return);
        });

        EXPECT_EQ(result, platform::kIdOk);
        EXPECT_EQ(version, box.version);
        EXPECT_TRUE(iconShown);
    }
}

}  // namespace

#include "platform/qt/qt_dialog_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimerEvent>
#include <span>

#include "platform/qt/accessible_factory.h"
#include "platform/qt/dialog_font.h"
#include "platform/qt/icon_painter.h"
#include "platform/qt/label_fit.h"
#include "platform/qt/needle_gauge.h"
#include "platform/qt/painted_control.h"
#include "platform/qt/push_state_button.h"
#include "platform/qt/sunken_frame.h"
#include "platform/qt/track_bar.h"

namespace zav::platform::qt {

namespace {

constexpr int kHostIconSize = 32;  // the host's SM_CXICON
constexpr int kButtonIconMargin = 4;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Static texts mark a mnemonic with '&' and show "&&" as '&'; labels here have no mnemonics.
QString StaticText(std::string_view text) {
    const QString source = FromUtf8(text);
    QString shown;
    for (qsizetype i = 0; i < source.size(); ++i) {
        if (source[i] != u'&') {
            shown += source[i];
        } else if (i + 1 < source.size() && source[i + 1] == u'&') {
            shown += u'&';
            ++i;
        }
    }
    return shown;
}

QRect ToQRect(const PixelRect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}

bool IsLabel(ControlKind kind) {
    return kind == ControlKind::StaticLeft || kind == ControlKind::StaticCentre;
}

}  // namespace

QtDialogWindow::QtDialogWindow(const DialogTemplate& dialog, DialogHandler& handler, QWidget* owner)
    : QDialog(owner), dialog_(dialog), session_(dialog, handler, *this), boxes_(this) {
    InstallAccessibleInterfaces();
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(FromUtf8(dialog.caption));
    setFont(DialogFont(dialog.fontName, dialog.pointSize));
    baseUnits_ = BaseUnitsOf(font());
    const PixelRect client = MapDialogRect({0, 0, dialog.width, dialog.height}, baseUnits_);
    setFixedSize(client.width, client.height);
    BuildControls();
    // The window menu from the keyboard. Shortcuts, so that they come before the focused control
    // (a button would take Alt+Space as Space); the menu opens at the window's corner, as the
    // host's window menu does.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10),
          QKeySequence(Qt::ALT | Qt::Key_Space)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this,
                [this] { PopUpWindowMenu(mapToGlobal(QPoint(0, 0))); });
    }
}

QtDialogWindow::~QtDialogWindow() {
    for (const auto& [id, qtId] : timers_)
        killTimer(qtId);
}

void QtDialogWindow::BuildControls() {
    QWidget* previousTabStop = nullptr;
    std::vector<QWidget*> built;
    built.reserve(dialog_.controls.size());
    for (const ControlTemplate& control : dialog_.controls) {
        QWidget* widget = BuildControl(control);
        built.push_back(widget);
        widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        if (control.kind != ControlKind::Icon) {
            widget->setGeometry(ToQRect(MapDialogRect(control.rect, baseUnits_)));
        }
        if (IsLabel(control.kind))
            CondenseToFit(*static_cast<QLabel*>(widget));
        if ((control.style & kStyleDisabled) != 0)
            widget->setEnabled(false);
        if ((control.style & kStyleTabStop) != 0) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousTabStop != nullptr)
                QWidget::setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        const std::string_view name =
            control.accessibleName.empty() ? control.text : control.accessibleName;
        if (!name.empty())
            widget->setAccessibleName(StaticText(name));
        if (control.id != kIdStatic)
            controls_.emplace(control.id, widget);
    }
    LinkLabels(built);
}

void QtDialogWindow::LinkLabels(const std::vector<QWidget*>& built) {
    const std::span<const ControlTemplate> controls = dialog_.controls;
    for (std::size_t named = 0; named < controls.size(); ++named) {
        if (controls[named].accessibleName.empty())
            continue;
        const QString name = StaticText(controls[named].accessibleName);
        for (std::size_t label = 0; label < controls.size(); ++label) {
            if (IsLabel(controls[label].kind) && StaticText(controls[label].text) == name) {
                static_cast<QLabel*>(built[label])->setBuddy(built[named]);
                break;
            }
        }
    }
}

QWidget* QtDialogWindow::BuildControl(const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new PushStateButton(this);
            if ((control.style & kStyleShowIcon) != 0 && control.icon != nullptr) {
                const PixelRect box = MapDialogRect(control.rect, baseUnits_);
                const int side = std::max(8, std::min(box.width, box.height) - kButtonIconMargin);
                button->SetPicture(*control.icon, side);
            } else {
                button->setText(FromUtf8(control.text));
            }
            button->setDefault(control.kind == ControlKind::DefaultPushButton);
            const int id = control.id;
            connect(button, &QPushButton::clicked, this, [this, id] { session_.Command(id); });
            return button;
        }
        case ControlKind::StaticLeft:
        case ControlKind::StaticCentre: {
            auto* label = new QLabel(StaticText(control.text), this);
            label->setWordWrap(true);
            label->setAlignment(control.kind == ControlKind::StaticCentre
                                    ? Qt::AlignHCenter | Qt::AlignTop
                                    : Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::StaticSunken:
            return new SunkenFrame(this);
        case ControlKind::GroupBox: {
            auto* group = new QGroupBox(StaticText(control.text), this);
            group->lower();  // a frame around other controls must not take their clicks
            return group;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(this);
            if (control.icon != nullptr)
                label->setPixmap(IconPixmap(*control.icon, kHostIconSize));
            // An icon control takes the icon's size, as on the host.
            const PixelRect at = MapDialogRect(control.rect, baseUnits_);
            label->setGeometry(at.x, at.y, kHostIconSize, kHostIconSize);
            return label;
        }
        case ControlKind::TrackbarHorizontal:
        case ControlKind::TrackbarVertical: {
            const bool vertical = control.kind == ControlKind::TrackbarVertical;
            auto* bar = new TrackBar(vertical ? Qt::Vertical : Qt::Horizontal,
                                     (control.style & kStyleTicksBothSides) != 0, this);
            const int id = control.id;
            connect(bar, &TrackBar::UserScrolled, this,
                    [this, id](ScrollCode code) { session_.Scroll(id, code); });
            return bar;
        }
        case ControlKind::Gauge:
            return new NeedleGauge(this);
    }
    return new QWidget(this);
}

QWidget* QtDialogWindow::ControlWidget(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void QtDialogWindow::EnableControl(int id, bool enable) {
    if (QWidget* widget = ControlWidget(id))
        widget->setEnabled(enable);
}

bool QtDialogWindow::IsControlEnabled(int id) const {
    const QWidget* widget = ControlWidget(id);
    return widget != nullptr && widget->isEnabled();
}

void QtDialogWindow::SetFocus(int id) {
    if (id == 0) {
        QDialog::setFocus(Qt::OtherFocusReason);
    } else if (QWidget* widget = ControlWidget(id)) {
        widget->setFocus(Qt::OtherFocusReason);
    }
}

void QtDialogWindow::SetSliderRange(int id, int minimum, int maximum, bool) {
    if (auto* bar = qobject_cast<TrackBar*>(ControlWidget(id)))
        bar->SetRangeQuietly(minimum, maximum);
}

void QtDialogWindow::SetSliderPos(int id, int position, bool) {
    if (auto* bar = qobject_cast<TrackBar*>(ControlWidget(id)))
        bar->SetPositionQuietly(position);
}

int QtDialogWindow::GetSliderPos(int id) const {
    // While the user drags, the thumb's position is the one to report.
    const auto* bar = qobject_cast<const TrackBar*>(ControlWidget(id));
    return bar == nullptr ? 0 : bar->sliderPosition();
}

bool QtDialogWindow::SetSliderTic(int id, int position) {
    auto* bar = qobject_cast<TrackBar*>(ControlWidget(id));
    return bar != nullptr && bar->AddTick(position);
}

void QtDialogWindow::SetControlValue(int id, int value) {
    QWidget* widget = ControlWidget(id);
    if (auto* gauge = qobject_cast<NeedleGauge*>(widget)) {
        gauge->SetValue(value);
    } else if (auto* frame = qobject_cast<SunkenFrame*>(widget)) {
        frame->SetLevel(value);
    }
}

int QtDialogWindow::GetControlValue(int id) const {
    const QWidget* widget = ControlWidget(id);
    if (const auto* gauge = qobject_cast<const NeedleGauge*>(widget))
        return gauge->Value();
    if (const auto* frame = qobject_cast<const SunkenFrame*>(widget))
        return frame->ShownLevel();
    return 0;
}

void QtDialogWindow::SetButtonState(int id, bool pushed) {
    if (auto* button = qobject_cast<PushStateButton*>(ControlWidget(id)))
        button->SetPushedIn(pushed);
}

int QtDialogWindow::GetSliderRangeMax(int id) const {
    const auto* bar = qobject_cast<const TrackBar*>(ControlWidget(id));
    return bar == nullptr ? 0 : bar->maximum();
}

bool QtDialogWindow::GetButtonState(int id) const {
    const auto* button = qobject_cast<const PushStateButton*>(ControlWidget(id));
    return button != nullptr && button->IsPushedIn();
}

ClientRect QtDialogWindow::GetControlClientRect(int id) const {
    const QWidget* widget = ControlWidget(id);
    if (widget == nullptr)
        return {};
    const QRect inside = widget->contentsRect();
    return {0, 0, inside.width(), inside.height()};
}

void QtDialogWindow::AttachPainter(int id, ControlPainter* painter) {
    const auto old = painted_.find(id);
    if (old != painted_.end()) {
        delete old->second;
        painted_.erase(old);
    }
    QWidget* frame = ControlWidget(id);
    if (painter == nullptr || frame == nullptr)
        return;
    auto* child = new PaintedControl(*painter, frame);
    child->setObjectName(QStringLiteral("painted%1").arg(id));
    child->raise();
    child->show();
    painted_.emplace(id, child);
}

void QtDialogWindow::Repaint(int id) {
    const auto child = painted_.find(id);
    if (child != painted_.end())
        child->second->update();
}

void QtDialogWindow::SetToolTip(int id, std::string_view text) {
    if (QWidget* widget = ControlWidget(id))
        widget->setToolTip(FromUtf8(text));
}

void QtDialogWindow::SetIcon(const IconDrawing& icon) {
    setWindowIcon(WindowIcon(icon));
}

void QtDialogWindow::AddSystemMenuItem(std::uint32_t commandId, std::string_view text) {
    menuItems_.push_back({commandId, FromUtf8(text)});
}

void QtDialogWindow::EndDialog(int result) {
    session_.End(result);
    if (inModalLoop_)
        QDialog::done(result);
}

void QtDialogWindow::SetTimer(std::uint32_t id, std::uint32_t periodMs) {
    KillTimer(id);
    const int qtId = startTimer(static_cast<int>(std::max<std::uint32_t>(periodMs, 1)));
    if (qtId != 0)
        timers_[id] = qtId;
}

bool QtDialogWindow::KillTimer(std::uint32_t id) {
    const auto it = timers_.find(id);
    if (it == timers_.end())
        return false;
    killTimer(it->second);
    timers_.erase(it);
    return true;
}

void QtDialogWindow::timerEvent(QTimerEvent* event) {
    for (const auto& [id, qtId] : timers_) {
        if (qtId == event->timerId()) {
            session_.Timer(id);
            return;
        }
    }
    QDialog::timerEvent(event);
}

void QtDialogWindow::FocusAsFirst(int id) {
    if (QWidget* widget = ControlWidget(id))
        widget->setFocus(Qt::TabFocusReason);
}

int QtDialogWindow::RunModalLoop() {
    if (!session_.Ended()) {
        inModalLoop_ = true;
        exec();
        inModalLoop_ = false;
    }
    return session_.Result().value_or(kIdCancel);
}

void QtDialogWindow::accept() {
    session_.Command(kIdOk);
}

void QtDialogWindow::reject() {
    // Esc.
    session_.Command(kIdCancel);
}

void QtDialogWindow::closeEvent(QCloseEvent* event) {
    // The close box is the window command Close; the handler may keep the window open.
    OnSystemCommand(kSysCommandClose);
    if (session_.Ended()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void QtDialogWindow::OnSystemCommand(std::uint32_t commandId) {
    session_.SystemCommand(commandId);
}

QMenu* QtDialogWindow::BuildWindowMenu() {
    auto* menu = new QMenu(this);
    menu->addAction(tr("&Close"), this, [this] { OnSystemCommand(kSysCommandClose); });
    for (const MenuItem& item : menuItems_) {
        menu->addSeparator();
        const std::uint32_t commandId = item.commandId;
        menu->addAction(item.text, this, [this, commandId] { OnSystemCommand(commandId); });
    }
    return menu;
}

void QtDialogWindow::PopUpWindowMenu(const QPoint& at) {
    QMenu* menu = BuildWindowMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(at);
}

void QtDialogWindow::contextMenuEvent(QContextMenuEvent* event) {
    PopUpWindowMenu(event->globalPos());
}

}  // namespace zav::platform::qt

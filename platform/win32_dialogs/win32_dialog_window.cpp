#include "platform/win32_dialogs/win32_dialog_window.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/ui/trackbar_model.h"
#include "platform/win32/wide_text.h"
#include "platform/win32_dialogs/dialog_template_memory.h"
#include "platform/win32_dialogs/held_push_button.h"
#include "platform/win32_dialogs/icon_renderer.h"
#include "platform/win32_dialogs/needle_gauge_window.h"
#include "platform/win32_dialogs/painted_control_window.h"

namespace zav::platform::win32 {

namespace {

constexpr int kButtonIconMargin = 4;
constexpr int kSmallestButtonIcon = 8;
constexpr WORD kLastScrollCode = static_cast<WORD>(ScrollCode::EndTrack);
constexpr int kLevelMinimum = 0;
constexpr int kLevelMaximum = 15;

bool IsAnyKind(ControlKind) {
    return true;
}
bool IsPushButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton;
}
bool IsTrackbar(ControlKind kind) {
    return kind == ControlKind::TrackbarHorizontal || kind == ControlKind::TrackbarVertical;
}
bool IsValueControl(ControlKind kind) {
    return kind == ControlKind::Gauge || kind == ControlKind::StaticSunken;
}

int SendInt(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return static_cast<int>(::SendMessageW(window, message, wParam, lParam));
}

// The trackbar's range and position as the control holds them, and its ticks when asked.
TrackbarState LoadTrackbar(HWND bar, bool withTicks) {
    TrackbarState state;
    state.rangeMinimum = SendInt(bar, TBM_GETRANGEMIN);
    state.rangeMaximum = SendInt(bar, TBM_GETRANGEMAX);
    state.position = SendInt(bar, TBM_GETPOS);
    // Without the two ends, which the control counts too.
    const int ticks = withTicks ? SendInt(bar, TBM_GETNUMTICS) - 2 : 0;
    for (int i = 0; i < ticks; ++i)
        state.tics.push_back(SendInt(bar, TBM_GETTIC, static_cast<WPARAM>(i)));
    return state;
}

}  // namespace

Win32DialogWindow::Win32DialogWindow(const DialogTemplate& dialog, DialogHandler& handler)
    : dialog_(dialog), session_(dialog, handler, *this) {}

Win32DialogWindow::~Win32DialogWindow() {
    painted_.clear();
    if (window_ != nullptr && ::IsWindow(window_))
        ::DestroyWindow(window_);
}

int Win32DialogWindow::Run(HWND owner, const Observer& observer) {
    RegisterNeedleGaugeClass();
    RegisterPaintedControlClass();
    const DialogTemplateMemory memory(dialog_);
    observer_ = &observer;
    const INT_PTR result =
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), memory.Get(), owner, &DialogProc,
                                  reinterpret_cast<LPARAM>(this));
    observer_ = nullptr;
    if (createStopped_)
        return -1;
    // -1 also when the host could not make the window.
    return session_.Result().value_or(static_cast<int>(result));
}

INT_PTR CALLBACK Win32DialogWindow::DialogProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32DialogWindow*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->window_ = window;
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<Win32DialogWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr)
        return FALSE;
    return self->OnMessage(message, wParam, lParam);
}

INT_PTR Win32DialogWindow::OnInitDialog() {
    PutPictures();
    for (const ControlTemplate& control : dialog_.controls) {
        if (IsPushButton(control.kind) && control.id != kIdStatic)
            MakeHoldable(ControlHandle(control.id));
    }
    if (!session_.Create()) {
        // Never shown: the run ends here (the session has already brought OnDestroy).
        createStopped_ = true;
        ::EndDialog(window_, -1);
        return FALSE;
    }
    // The focus goes where the session says, rather than where the dialog manager would put it.
    if (const int first = session_.Init(); first != 0)
        SetFocus(first);
    if (!session_.Ended() && observer_ != nullptr && *observer_)
        (*observer_)(*this);
    return FALSE;
}

INT_PTR Win32DialogWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_HSCROLL:
        case WM_VSCROLL:
            OnScroll(reinterpret_cast<HWND>(lParam), wParam);
            return TRUE;
        case WM_SYSCOMMAND:
            if (session_.SystemCommand(static_cast<std::uint32_t>(wParam))) {
                ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
                return TRUE;
            }
            return FALSE;  // the default processing: move, size ...
        case WM_TIMER:
            // A tick queued before its timer was killed is dropped here.
            if (timers_.contains(static_cast<std::uint32_t>(wParam)))
                session_.Timer(static_cast<std::uint32_t>(wParam));
            return TRUE;
        case WM_DESTROY:
            session_.Destroy();
            for (const std::uint32_t id : timers_)
                ::KillTimer(window_, id);
            timers_.clear();
            painted_.clear();
            return TRUE;
        case WM_NCDESTROY:
            window_ = nullptr;
            toolTips_ = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

void Win32DialogWindow::OnCommand(int id, int code) {
    // Of the other controls only the push buttons' clicks count.
    if (id == kIdOk || id == kIdCancel || code == BN_CLICKED)
        session_.Command(id);
}

void Win32DialogWindow::OnScroll(HWND control, WPARAM wParam) {
    const WORD code = LOWORD(wParam);
    if (control == nullptr || code > kLastScrollCode)
        return;
    // The session tells the two directions apart by the trackbar's kind.
    session_.Scroll(::GetDlgCtrlID(control), static_cast<ScrollCode>(code));
}

void Win32DialogWindow::PutPictures() {
    for (const ControlTemplate& control : dialog_.controls) {
        if (control.icon == nullptr)
            continue;
        if (control.kind == ControlKind::Icon) {
            // An icon control takes the icon's size, as the host's icons do.
            UniqueIcon icon = MakeIcon(*control.icon, ::GetSystemMetrics(SM_CXICON));
            // Icon controls share one id; the n-th one is found by its place among the children.
            for (HWND child = ::GetWindow(window_, GW_CHILD); child != nullptr;
                 child = ::GetWindow(child, GW_HWNDNEXT)) {
                if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                    ::SendMessageW(child, STM_GETICON, 0, 0) == 0) {
                    ::SendMessageW(child, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
                    break;
                }
            }
            icons_.push_back(std::move(icon));
        } else if (IsPushButton(control.kind) && (control.style & kStyleShowIcon) != 0) {
            const HWND button = ControlHandle(control.id);
            RECT box{};
            if (button == nullptr || !::GetClientRect(button, &box))
                continue;
            const int side = std::max(kSmallestButtonIcon,
                                      std::min<int>(box.right, box.bottom) - kButtonIconMargin);
            UniqueIcon icon = MakeIcon(*control.icon, side);
            ::SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon.get()));
            icons_.push_back(std::move(icon));
        }
    }
}

HWND Win32DialogWindow::ControlHandle(int id) const {
    return Control(id, IsAnyKind);
}

HWND Win32DialogWindow::Control(int id, bool (*kindFits)(ControlKind)) const {
    const ControlTemplate* control = dialog_.Find(id);
    if (window_ == nullptr || control == nullptr || !kindFits(control->kind))
        return nullptr;
    return ::GetDlgItem(window_, id);
}

HWND Win32DialogWindow::PaintedHandle(int id) const {
    const auto found = painted_.find(id);
    return found == painted_.end() ? nullptr : found->second->Handle();
}

void Win32DialogWindow::EnableControl(int id, bool enable) {
    if (const HWND control = ControlHandle(id))
        ::EnableWindow(control, enable ? TRUE : FALSE);
}

bool Win32DialogWindow::IsControlEnabled(int id) const {
    const HWND control = ControlHandle(id);
    return control != nullptr && ::IsWindowEnabled(control) != FALSE;
}

void Win32DialogWindow::SetFocus(int id) {
    if (window_ == nullptr)
        return;
    if (id == 0) {
        ::SetFocus(window_);
    } else if (const HWND control = ControlHandle(id)) {
        // Through the dialog manager, so that the default button follows the focus.
        ::SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    }
}

void Win32DialogWindow::SetSliderRange(int id, int minimum, int maximum, bool redraw) {
    const HWND bar = Control(id, IsTrackbar);
    if (bar == nullptr)
        return;
    TrackbarState state = LoadTrackbar(bar, true);
    const std::size_t ticks = state.tics.size();
    state.SetRange(minimum, maximum);
    // The two messages take the whole 32-bit positions (TBM_SETRANGE packs 16-bit ones).
    ::SendMessageW(bar, TBM_SETRANGEMIN, FALSE, state.rangeMinimum);
    ::SendMessageW(bar, TBM_SETRANGEMAX, FALSE, state.rangeMaximum);
    if (state.tics.size() != ticks) {
        ::SendMessageW(bar, TBM_CLEARTICS, FALSE, 0);
        for (const int tick : state.tics)
            ::SendMessageW(bar, TBM_SETTIC, 0, tick);
    }
    ::SendMessageW(bar, TBM_SETPOS, redraw ? TRUE : FALSE, state.position);
}

void Win32DialogWindow::SetSliderPos(int id, int position, bool redraw) {
    const HWND bar = Control(id, IsTrackbar);
    if (bar == nullptr)
        return;
    TrackbarState state = LoadTrackbar(bar, false);
    ::SendMessageW(bar, TBM_SETPOS, redraw ? TRUE : FALSE, state.SetPosition(position));
}

int Win32DialogWindow::GetSliderPos(int id) const {
    const HWND bar = Control(id, IsTrackbar);
    return bar == nullptr ? 0 : SendInt(bar, TBM_GETPOS);
}

bool Win32DialogWindow::SetSliderTic(int id, int position) {
    const HWND bar = Control(id, IsTrackbar);
    if (bar == nullptr || !LoadTrackbar(bar, false).AddTic(position))
        return false;
    return ::SendMessageW(bar, TBM_SETTIC, 0, position) != FALSE;
}

int Win32DialogWindow::GetSliderRangeMax(int id) const {
    const HWND bar = Control(id, IsTrackbar);
    return bar == nullptr ? 0 : SendInt(bar, TBM_GETRANGEMAX);
}

void Win32DialogWindow::SetControlValue(int id, int value) {
    const HWND control = Control(id, IsValueControl);
    if (control == nullptr)
        return;
    if (dialog_.Find(id)->kind == ControlKind::Gauge) {
        ::SendMessageW(control, kGaugeSetValue, static_cast<WPARAM>(value), 0);
    } else {
        sunkenValues_[id] = std::clamp(value, kLevelMinimum, kLevelMaximum);
    }
}

int Win32DialogWindow::GetControlValue(int id) const {
    const HWND control = Control(id, IsValueControl);
    if (control == nullptr)
        return 0;
    if (dialog_.Find(id)->kind == ControlKind::Gauge)
        return SendInt(control, kGaugeGetValue);
    const auto found = sunkenValues_.find(id);
    return found == sunkenValues_.end() ? 0 : found->second;
}

void Win32DialogWindow::SetButtonState(int id, bool pushed) {
    if (const HWND button = Control(id, IsPushButton))
        HoldPushed(button, pushed);
}

bool Win32DialogWindow::GetButtonState(int id) const {
    const HWND button = Control(id, IsPushButton);
    return button != nullptr && (::SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

void Win32DialogWindow::SetToolTip(int id, std::string_view text) {
    const HWND control = ControlHandle(id);
    if (control == nullptr)
        return;
    if (toolTips_ == nullptr) {
        if (text.empty())
            return;
        toolTips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                      WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                      ::GetModuleHandleW(nullptr), nullptr);
        if (toolTips_ == nullptr)
            return;
        ::SendMessageW(toolTips_, TTM_ACTIVATE, TRUE, 0);
    }
    std::wstring wide = WideFromUtf8(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    ::SendMessageW(toolTips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!text.empty())
        ::SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

ClientRect Win32DialogWindow::GetControlClientRect(int id) const {
    RECT inside{};
    const HWND control = ControlHandle(id);
    if (control == nullptr || !::GetClientRect(control, &inside))
        return {};
    return {inside.left, inside.top, inside.right, inside.bottom};
}

void Win32DialogWindow::AttachPainter(int id, ControlPainter* painter) {
    painted_.erase(id);
    const HWND frame = ControlHandle(id);
    if (painter == nullptr || frame == nullptr)
        return;
    auto child = std::make_unique<PaintedControlWindow>(frame, *painter);
    if (child->Valid())
        painted_.emplace(id, std::move(child));
}

void Win32DialogWindow::Repaint(int id) {
    const auto found = painted_.find(id);
    if (found != painted_.end())
        found->second->Invalidate();
}

void Win32DialogWindow::SetIcon(const IconDrawing& icon) {
    if (window_ == nullptr)
        return;
    UniqueIcon large = MakeIcon(icon, ::GetSystemMetrics(SM_CXICON));
    UniqueIcon small = MakeIcon(icon, ::GetSystemMetrics(SM_CXSMICON));
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large.get()));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    // Icons set before stay alive with the window: it may still draw them until it goes.
    icons_.push_back(std::move(large));
    icons_.push_back(std::move(small));
}

void Win32DialogWindow::AddSystemMenuItem(std::uint32_t commandId, std::string_view text) {
    if (window_ == nullptr)
        return;
    const HMENU menu = ::GetSystemMenu(window_, FALSE);
    if (menu == nullptr)
        return;
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu, MF_STRING, commandId, WideFromUtf8(text).c_str());
}

void Win32DialogWindow::EndDialog(int result) {
    session_.End(result);
    if (window_ != nullptr)
        ::EndDialog(window_, result);
}

void Win32DialogWindow::SetTimer(std::uint32_t id, std::uint32_t periodMs) {
    if (window_ == nullptr)
        return;
    if (::SetTimer(window_, id, std::max<std::uint32_t>(periodMs, 1), nullptr) != 0)
        timers_.insert(id);
}

bool Win32DialogWindow::KillTimer(std::uint32_t id) {
    if (timers_.erase(id) == 0)
        return false;
    if (window_ != nullptr)
        ::KillTimer(window_, id);
    return true;
}

}  // namespace zav::platform::win32

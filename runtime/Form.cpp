// Forms: the registry of live forms and units, the form window, loading,
// closing and the message loops.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <unordered_map>

#include "platform/Monitors.h"
#include "runtime/Internal.h"
#include "runtime/Program.h"
#include "runtime/Text.h"

namespace runtime::detail {

namespace {

std::unordered_map<std::uint32_t, Unit*> registry;
std::uint32_t lastSerial = 0;
std::vector<std::unique_ptr<Form>> forms;
UnitRef mainForm;
bool mainFormClosed = false;

DWORD FormStyle(FormBorder border) {
    switch (border) {
        case FormBorder::Fixed:
            return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
        case FormBorder::Sizable:
            return WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
        case FormBorder::None:
            break;
    }
    return WS_POPUP | WS_CLIPCHILDREN;
}

UnitDescription WindowUnitDescription(const FormDescription& d) {
    UnitDescription u;
    u.kind = UnitKind::Window;
    u.name = d.name;
    u.id = d.id;
    u.left = d.left;
    u.top = d.top;
    u.width = d.width;
    u.height = d.height;
    u.visible = d.visible;
    u.events = d.events;
    return u;
}

// An icon from .ico file bytes: the first image of the directory.
HICON IconFromBytes(ByteBlock bytes) {
    if (bytes.empty() || bytes.size < 6 + 16) return nullptr;
    const unsigned char* p = bytes.data;
    auto word = [&](size_t at) { return static_cast<unsigned>(p[at] | (p[at + 1] << 8)); };
    auto dword = [&](size_t at) {
        return static_cast<std::uint32_t>(p[at] | (p[at + 1] << 8) | (p[at + 2] << 16) |
                                          (static_cast<std::uint32_t>(p[at + 3]) << 24));
    };
    if (word(0) != 0 || word(2) != 1 || word(4) == 0) return nullptr;
    std::uint32_t size = dword(6 + 8);
    std::uint32_t offset = dword(6 + 12);
    if (offset > bytes.size || size > bytes.size - offset || size == 0) return nullptr;
    return CreateIconFromResourceEx(const_cast<PBYTE>(p + offset), size, TRUE, 0x00030000, 0, 0,
                                    LR_DEFAULTCOLOR);
}

BOOL CALLBACK DisableOther(HWND hwnd, LPARAM param) {
    auto* form = reinterpret_cast<Form*>(param);
    // The visible windows, and every form even while hidden: a page may hide
    // the start window and show it again while it runs.
    wchar_t className[32] = {};
    GetClassNameW(hwnd, className, 32);
    bool isForm = wcscmp(className, kFormClass) == 0;
    if (hwnd != form->hwnd && IsWindowEnabled(hwnd) && (isForm || IsWindowVisible(hwnd))) {
        EnableWindow(hwnd, FALSE);
        form->disabledWindows.push_back(hwnd);
    }
    return TRUE;
}

}  // namespace

// ---- registry -------------------------------------------------------------

Unit::Unit(Form* owner, UnitKind unitKind, const UnitDescription& d)
    : kind(unitKind),
      id(d.id),
      name(d.name ? d.name : ""),
      form(owner),
      left(d.left),
      top(d.top),
      width(d.width),
      height(d.height),
      visible(d.visible),
      events(d.events.begin(), d.events.end()),
      serial_(++lastSerial) {
    if (serial_ == 0) serial_ = ++lastSerial;
    registry[serial_] = this;
}

Unit::~Unit() {
    Unregister();
}

void Unit::Unregister() {
    auto it = registry.find(serial_);
    if (it != registry.end() && it->second == this) registry.erase(it);
}

Unit* Resolve(UnitRef ref) {
    if (!ref) return nullptr;
    auto it = registry.find(ref.serial);
    return it == registry.end() ? nullptr : it->second;
}

Form* ResolveForm(UnitRef ref) {
    Unit* unit = Resolve(ref);
    return unit ? unit->form : nullptr;
}

Unit* UnitFromWindow(HWND hwnd) {
    return reinterpret_cast<Unit*>(GetWindowLongPtrW(hwnd, 0));
}

// ---- unit basics ----------------------------------------------------------

int Unit::Raise(EventKind eventKind, int x, int y, int keys) {
    int result = -1;
    Form* owner = form;
    Event event{eventKind, owner->Ref(), Ref(), x, y, keys};
    ++owner->dispatchDepth;
    // Handlers may copy units (growing the form's list) but never change this
    // unit's bindings; index so that nothing is held across a call.
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].kind != eventKind || !events[i].handler) continue;
        int r = events[i].handler(event);
        if (r != -1) result = r;
    }
    --owner->dispatchDepth;
    return result;
}

HWND Unit::ContainerWindow() const {
    if (container) return container->hwnd;
    return form ? form->hwnd : nullptr;
}

void Unit::Refresh(HWND window) {
    if (window && IsWindowVisible(window))
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

int Unit::GetInt(int index) const {
    switch (index) {
        case 0:
            return left;
        case 1:
            return top;
        case 2:
            return width;
        case 3:
            return height;
        case 5:
            return visible ? 1 : 0;
        default:
            return 0;
    }
}

void Unit::SetInt(int index, int value) {
    switch (index) {
        case 0:
            Move(value, {}, {}, {});
            break;
        case 1:
            Move({}, value, {}, {});
            break;
        case 2:
            Move({}, {}, value, {});
            break;
        case 3:
            Move({}, {}, {}, value);
            break;
        case 5:
            visible = value != 0;
            if (hwnd) {
                ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
                Refresh(ContainerWindow());
            }
            break;
        default:
            break;
    }
}

std::string Unit::GetText(int) const {
    return {};
}
void Unit::SetText(int, std::string_view) {}
Picture Unit::GetPicture(int) const {
    return {};
}
void Unit::SetPicture(int, const Picture&) {}

void Unit::Move(std::optional<int> newLeft, std::optional<int> newTop, std::optional<int> newWidth,
                std::optional<int> newHeight) {
    left = newLeft.value_or(left);
    top = newTop.value_or(top);
    width = std::max(0, newWidth.value_or(width));
    height = std::max(0, newHeight.value_or(height));
    if (hwnd) {
        MoveWindow(hwnd, left, top, width, height, TRUE);
        Refresh(ContainerWindow());
    }
}

void Unit::Rescale(UINT from, UINT to) {
    auto scale = [from, to](int v) {
        return MulDiv(v, static_cast<int>(to), static_cast<int>(from));
    };
    Move(scale(left), scale(top), scale(width), scale(height));
}

UnitDescription Unit::Snapshot() const {
    UnitDescription d;
    d.kind = kind;
    d.name = name.c_str();
    d.id = id;
    d.left = left;
    d.top = top;
    d.width = width;
    d.height = height;
    d.parent = container ? container->id : 0;
    d.visible = visible;
    d.events = std::span<const EventBinding>(events.data(), events.size());
    return d;
}

void Unit::CreateChildWindow(const wchar_t* className, HWND parentWindow, DWORD extraStyle) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | extraStyle | (visible ? WS_VISIBLE : 0);
    CreateWindowExW(0, className, L"", style, left, top, width, height, parentWindow, nullptr,
                    GetModuleHandleW(nullptr), this);
    // hwnd is set in WM_NCCREATE. Units listed earlier stay above later ones.
    if (hwnd) SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- the form -------------------------------------------------------------

Form::Form(const FormDescription& d, HWND owner, bool isDialog)
    : Unit(this, UnitKind::Window, WindowUnitDescription(d)),
      description(d),
      dialog(isDialog),
      owner_(owner) {}

Form::~Form() {
    // Only a closed form is released; should its window still exist, no
    // message may reach the objects released here.
    if (hwnd) {
        for (auto& u : units) {
            if (u->hwnd) SetWindowLongPtrW(u->hwnd, 0, 0);
            u->Destroy();
        }
        SetWindowLongPtrW(hwnd, 0, 0);
        DestroyWindow(hwnd);
    }
    units.clear();
}

void Form::Place(const RECT& monitor, UINT monitorDpi, bool relative) {
    screen = monitor;
    dpi = monitorDpi ? monitorDpi : dpi::kBase;
    const int originX = relative ? 0 : monitor.left;
    const int originY = relative ? 0 : monitor.top;
    left = monitor.left + dpi::ToDevice(left - originX, dpi);
    top = monitor.top + dpi::ToDevice(top - originY, dpi);
    width = dpi::ToDevice(width, dpi);
    height = dpi::ToDevice(height, dpi);
}

void Form::Create(HWND owner) {
    icon.reset(IconFromBytes(description.icon));
    if (description.backColour != kDefaultColour)
        backBrush.reset(CreateSolidBrush(description.backColour));
    DWORD exStyle = description.topMost ? WS_EX_TOPMOST : 0;
    CreateWindowExW(exStyle, kFormClass,
                    Widen(description.caption ? description.caption : "").c_str(),
                    FormStyle(description.border), left, top, width, height, owner, nullptr,
                    GetModuleHandleW(nullptr), static_cast<Unit*>(this));
    if (hwnd && icon) {
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.get()));
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.get()));
    }
}

void Form::CreateUnits() {
    const auto& list = description.units;
    std::vector<bool> done(list.size(), false);
    // A unit inside a panel needs the panel first, wherever it is listed.
    bool progress = true;
    while (progress) {
        progress = false;
        for (size_t i = 0; i < list.size(); ++i) {
            if (done[i]) continue;
            const UnitDescription& d = list[i];
            Unit* holder = d.parent ? FindUnit(d.parent) : nullptr;
            bool parentListed =
                d.parent && std::any_of(list.begin(), list.end(),
                                        [&](const UnitDescription& o) { return o.id == d.parent; });
            if (parentListed && !holder) continue;
            if (holder && holder->kind != UnitKind::DrawingPanel) holder = nullptr;
            // Described in units; laid out in the form's device pixels.
            UnitDescription placed = d;
            placed.left = dpi::ToDevice(d.left, dpi);
            placed.top = dpi::ToDevice(d.top, dpi);
            placed.width = dpi::ToDevice(d.width, dpi);
            placed.height = dpi::ToDevice(d.height, dpi);
            auto unit = MakeUnit(this, placed);
            done[i] = true;
            progress = true;
            if (!unit) continue;
            unit->container = holder;
            Unit* raw = unit.get();
            units.push_back(std::move(unit));
            raw->Create(raw->ContainerWindow());
        }
    }
}

Unit* Form::FindUnit(std::uint32_t unitId) const {
    for (const auto& u : units)
        if (u->id == unitId) return u.get();
    return nullptr;
}

Unit* Form::FindUnit(std::string_view unitName) const {
    for (const auto& u : units)
        if (u->name == unitName) return u.get();
    return nullptr;
}

Unit* Form::AddCopy(const Unit& source) {
    auto copy = source.Copy(nextCopyId++);
    if (!copy) return nullptr;
    copy->container = source.container;
    Unit* raw = copy.get();
    units.push_back(std::move(copy));
    raw->Create(raw->ContainerWindow());
    if (raw->hwnd) {
        SetWindowPos(raw->hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    Refresh(raw->ContainerWindow());
    return raw;
}

void Form::Close() {
    closing = true;
    const bool active = hwnd && GetActiveWindow() == hwnd;
    HWND heir = nullptr;
    for (HWND w : disabledWindows) {
        if (!IsWindow(w)) continue;
        EnableWindow(w, TRUE);
        if (!heir && IsWindowVisible(w) && !(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
            heir = w;
    }
    disabledWindows.clear();
    // As a dialog hands activation back to its owner: were this window
    // destroyed while active, Windows would pass activation to another
    // program's window and the one it disabled would come back behind.
    if (active && heir) SetForegroundWindow(heir);
    if (hwnd) DestroyWindow(hwnd);
}

void Form::ShowIfVisible() {
    if (!hwnd || !visible || IsWindowVisible(hwnd)) return;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
}

bool Form::ColourKeyed() const {
    if (!hwnd || !(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED)) return false;
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags) && (flags & LWA_COLORKEY);
}

int Form::GetInt(int index) const {
    if (hwnd && index >= 0 && index <= 3) {
        RECT r;
        GetWindowRect(hwnd, &r);
        switch (index) {
            case 0:
                return r.left;
            case 1:
                return r.top;
            case 2:
                return r.right - r.left;
            default:
                return r.bottom - r.top;
        }
    }
    return Unit::GetInt(index);
}

void Form::SetInt(int index, int value) {
    if (index == 5) {
        visible = value != 0;
        if (hwnd) {
            ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
            if (visible) UpdateWindow(hwnd);
        }
        return;
    }
    Unit::SetInt(index, value);
}

std::string Form::GetText(int index) const {
    if (index != 8 || !hwnd) return {};
    int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(static_cast<size_t>(std::max(n, 0)));
    return Narrow(text);
}

void Form::SetText(int index, std::string_view text) {
    if (index == 8 && hwnd) SetWindowTextW(hwnd, Widen(text).c_str());
}

void Form::Move(std::optional<int> newLeft, std::optional<int> newTop, std::optional<int> newWidth,
                std::optional<int> newHeight) {
    if (hwnd) {
        RECT r;
        GetWindowRect(hwnd, &r);
        left = r.left;
        top = r.top;
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    left = newLeft.value_or(left);
    top = newTop.value_or(top);
    width = std::max(0, newWidth.value_or(width));
    height = std::max(0, newHeight.value_or(height));
    if (hwnd) {
        MoveWindow(hwnd, left, top, width, height, TRUE);
        if (IsWindowVisible(hwnd)) UpdateWindow(hwnd);
    }
}

void Form::OnDpiChanged(UINT newDpi, const RECT& suggested) {
    // Dragged to a monitor of another scale: the units follow the new scale
    // before the window takes the rectangle Windows suggests.
    if (newDpi && newDpi != dpi) {
        const UINT old = dpi;
        dpi = newDpi;
        for (size_t i = 0; i < units.size(); ++i) units[i]->Rescale(old, newDpi);
    }
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    left = suggested.left;
    top = suggested.top;
    width = suggested.right - suggested.left;
    height = suggested.bottom - suggested.top;
    InvalidateRect(hwnd, nullptr, TRUE);
}

void Form::PaintWindowlessChildren(HDC dc) {
    PaintWindowlessUnits(*this, nullptr, dc);
}

void PaintWindowlessUnits(Form& form, Unit* container, HDC dc) {
    bool keyed = form.ColourKeyed();
    for (const auto& u : form.units)
        if (u->container == container && u->visible && !u->hwnd) u->PaintWindowless(dc, keyed);
}

void Form::OnDestroy() {
    Raise(EventKind::Destroyed);
    for (HWND w : disabledWindows)
        if (IsWindow(w)) EnableWindow(w, TRUE);
    disabledWindows.clear();
    for (auto& u : units) u->Destroy();
    alive = false;
    closing = true;
    for (auto& u : units) u->Unregister();
    if (Ref() == mainForm) mainFormClosed = true;
    Unregister();
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

LRESULT Form::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r,
                     backBrush ? backBrush.get() : GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            PaintWindowlessChildren(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_RBUTTONDOWN:
        case WM_LBUTTONDOWN: {
            int r = Raise(
                msg == WM_RBUTTONDOWN ? EventKind::RightButtonDown : EventKind::LeftButtonDown,
                static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)),
                static_cast<int>(wParam));
            if (r != -1) return 0;
            break;
        }
        case WM_KEYDOWN:
            if (Raise(EventKind::KeyDown, static_cast<int>(wParam), 0, 0) != -1) return 0;
            break;
        case WM_DPICHANGED:
            OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_ENDSESSION:
            // Windows is logging off or shutting down: end here, wherever the
            // program is (a page's loop, a blocking show), the music stopped
            // and every window gone, rather than be cut off mid-show.
            if (wParam) EndProgram(0);
            return 0;
        case kCloseFormMessage:
            Close();
            return 0;
        case WM_CLOSE:
            Raise(EventKind::CloseAsked);
            if (hwnd) Close();
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_NCDESTROY:
            for (auto& u : units) u->hwnd = nullptr;
            hwnd = nullptr;
            break;
        default:
            break;
    }
    return kNotHandled;
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* unit = static_cast<Unit*>(cs->lpCreateParams);
        SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(unit));
        unit->hwnd = hwnd;
    }
    auto* form = static_cast<Form*>(UnitFromWindow(hwnd));
    if (form) {
        LRESULT r = form->OnMessage(msg, wParam, lParam);
        if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, 0, 0);
        if (r != kNotHandled) return r;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterFormClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Form::WindowProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);
}

// ---- loops ----------------------------------------------------------------

void SweepDeadForms() {
    std::erase_if(
        forms, [](const std::unique_ptr<Form>& f) { return !f->alive && f->dispatchDepth == 0; });
}

void DestroyAllForms() {
    // Newest first, so dialogs go before the windows they disabled.
    for (size_t i = forms.size(); i-- > 0;) {
        Form* f = forms[i].get();
        if (f->alive && f->hwnd) f->Close();
    }
    SweepDeadForms();
}

static int RunLoopWhile(const std::function<bool()>& keepRunning, bool nested) {
    MSG msg;
    while (keepRunning()) {
        SweepDeadForms();
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0) {
            if (nested) PostQuitMessage(static_cast<int>(msg.wParam));
            return static_cast<int>(msg.wParam);
        }
        if (r < 0) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    SweepDeadForms();
    return 0;
}

int RunLoop(const bool& done, bool nested) {
    return RunLoopWhile([&] { return !done; }, nested);
}

void ResetForms() {
    DestroyAllForms();
    mainForm = {};
    mainFormClosed = false;
}

UnitRef MainForm() {
    return Resolve(mainForm) ? mainForm : UnitRef{};
}

int RunMainLoop() {
    if (!Resolve(mainForm)) return 0;
    return RunLoopWhile([] { return !mainFormClosed; }, false);
}

UnitRef Load(const FormDescription& d, UnitRef parent, bool dialogMode) {
    HWND owner = nullptr;
    if (Unit* p = Resolve(parent); p && p->form && p->form->hwnd) owner = p->form->hwnd;
    auto created = std::make_unique<Form>(d, owner, dialogMode);
    Form* form = created.get();
    forms.push_back(std::move(created));
    // A page opens on the monitor of the main form (the start window) at its
    // scale; any other form on the monitor where its place lies.
    const HWND mainWindow = dialogMode ? FormWindowHandle(MainForm()) : nullptr;
    const monitors::Monitor monitor =
        mainWindow ? monitors::MonitorHolding(mainWindow)
        : dialogMode
            ? monitors::MonitorHolding(nullptr)
            : monitors::MonitorHolding(RECT{d.left, d.top, d.left + d.width, d.top + d.height});
    form->Place(monitor.rect, monitor.dpi, dialogMode);
    form->Create(owner);
    if (!form->hwnd) {
        form->alive = false;
        form->Unregister();
        return {};
    }
    UnitRef ref = form->Ref();
    if (!dialogMode && !Resolve(mainForm)) {
        mainForm = ref;
        mainFormClosed = false;
    }
    form->CreateUnits();
    // A modal form is modal from the start: its Created handler may run a
    // whole show (blocking, peeking the queue), during which a click on
    // another window must not raise it nor keys typed there reach the show.
    // Closing the form, inside Created too, enables them again.
    if (dialogMode)
        EnumThreadWindows(GetCurrentThreadId(), DisableOther, reinterpret_cast<LPARAM>(form));
    form->Raise(EventKind::Created);
    if (!Resolve(ref)) return ref;  // closed inside its Created handler
    form->ShowIfVisible();
    if (dialogMode) {
        ++form->dispatchDepth;  // keeps it while its loop runs
        RunLoopWhile([form] { return form->alive; }, true);
        --form->dispatchDepth;
    }
    return ref;
}

}  // namespace runtime::detail

namespace runtime {

using namespace detail;

UnitRef LoadForm(const FormDescription& form, UnitRef parent, bool dialogMode) {
    return Load(form, parent, dialogMode);
}

void DestroyForm(UnitRef formRef, bool immediately) {
    Form* form = ResolveForm(formRef);
    if (!form || !form->hwnd) return;
    if (immediately) {
        form->Close();
        return;
    }
    form->closing = true;
    PostMessageW(form->hwnd, kCloseFormMessage, 0, 0);
}

UnitRef FindForm(std::uint32_t formId) {
    for (size_t i = forms.size(); i-- > 0;)
        if (forms[i]->alive && forms[i]->id == formId) return forms[i]->Ref();
    return {};
}

UnitRef FindUnit(UnitRef formRef, std::uint32_t unitId) {
    Form* form = ResolveForm(formRef);
    if (!form) return {};
    Unit* unit = form->FindUnit(unitId);
    return unit ? unit->Ref() : UnitRef{};
}

UnitRef FindUnit(UnitRef formRef, std::string_view unitName) {
    Form* form = ResolveForm(formRef);
    if (!form) return {};
    Unit* unit = form->FindUnit(unitName);
    return unit ? unit->Ref() : UnitRef{};
}

UnitRef FormOf(UnitRef unitRef) {
    Form* form = ResolveForm(unitRef);
    return form ? form->Ref() : UnitRef{};
}

bool IsAlive(UnitRef unit) {
    return Resolve(unit) != nullptr;
}

bool IsClosing(UnitRef formRef) {
    Form* form = ResolveForm(formRef);
    return !form || form->closing;
}

UnitKind KindOf(UnitRef unitRef) {
    Unit* unit = Resolve(unitRef);
    return unit ? unit->kind : UnitKind::Window;
}

std::uint32_t UnitId(UnitRef unitRef) {
    Unit* unit = Resolve(unitRef);
    return unit ? unit->id : 0;
}

HWND FormWindowHandle(UnitRef unitRef) {
    Unit* unit = Resolve(unitRef);
    if (!unit) return nullptr;
    return unit->hwnd ? unit->hwnd : unit->ContainerWindow();
}

}  // namespace runtime

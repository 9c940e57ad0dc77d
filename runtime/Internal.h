#pragma once
// The live objects behind forms and units. Private to the runtime.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dpi.h"
#include "platform/Handle.h"
#include "runtime/Form.h"
#include "runtime/Picture.h"

namespace runtime::detail {

class Form;

class Unit {
public:
    Unit(Form* form, UnitKind kind, const UnitDescription& description);
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;
    virtual ~Unit();

    UnitRef Ref() const { return UnitRef{serial_}; }
    std::uint32_t Serial() const { return serial_; }
    void Unregister();

    // Creates the native side under `parentWindow` (the form's window or a panel's).
    virtual void Create(HWND parentWindow) = 0;
    // Releases the native side that its parent window does not take with it.
    virtual void Destroy() {}

    virtual int GetInt(int index) const;
    virtual void SetInt(int index, int value);
    virtual std::string GetText(int index) const;
    virtual void SetText(int index, std::string_view text);
    virtual Picture GetPicture(int index) const;
    virtual void SetPicture(int index, const Picture& picture);
    virtual void Move(std::optional<int> left, std::optional<int> top, std::optional<int> width,
                      std::optional<int> height);
    // Makes a further unit of this kind with this one's current settings.
    virtual std::unique_ptr<Unit> Copy(std::uint32_t newId) const = 0;
    // The form's DPI changed from `from` to `to`: places, sizes and what is
    // drawn at the scale follow.
    virtual void Rescale(UINT from, UINT to);

    // Windowless units are drawn by their container.
    virtual void PaintWindowless(HDC, bool /*colourKeyed*/) {}
    // A message to the unit's own window; kNotHandled passes it on.
    static constexpr LRESULT kNotHandled = -2;
    virtual LRESULT OnMessage(UINT, WPARAM, LPARAM) { return kNotHandled; }

    int Raise(EventKind kind, int x = 0, int y = 0, int keys = 0);
    // The window that holds this unit: a panel's window or the form's window.
    HWND ContainerWindow() const;
    // Shows changes at once, even while a handler blocks the loop.
    static void Refresh(HWND window);

    UnitKind kind;
    std::uint32_t id;
    std::string name;
    Form* form;
    Unit* container = nullptr;  // a drawing panel, or null for the form's window
    int left, top, width, height;
    bool visible;
    std::vector<EventBinding> events;
    HWND hwnd = nullptr;

protected:
    // The description as the unit now stands, for copies.
    UnitDescription Snapshot() const;
    void CreateChildWindow(const wchar_t* className, HWND parentWindow, DWORD extraStyle = 0);

private:
    std::uint32_t serial_;
};

// The form's own window, its units and its lifetime.
class Form : public Unit {
public:
    Form(const FormDescription& description, HWND owner, bool dialog);
    ~Form() override;

    // Takes `monitor` as the form's screen and its DPI as the form's, and
    // turns the described place and size into device pixels there: relative
    // to the monitor's top-left corner for a page, else where the units lie.
    void Place(const RECT& monitor, UINT monitorDpi, bool relative);
    void Create(HWND owner) override;
    void CreateUnits();
    int GetInt(int index) const override;
    void SetInt(int index, int value) override;
    std::string GetText(int index) const override;
    void SetText(int index, std::string_view text) override;
    void Move(std::optional<int> left, std::optional<int> top, std::optional<int> width,
              std::optional<int> height) override;
    std::unique_ptr<Unit> Copy(std::uint32_t) const override { return nullptr; }

    Unit* FindUnit(std::uint32_t unitId) const;
    Unit* FindUnit(std::string_view unitName) const;
    Unit* AddCopy(const Unit& source);
    void Close();  // destroys the window now
    void ShowIfVisible();
    bool ColourKeyed() const;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    const FormDescription& description;
    bool dialog;
    bool closing = false;
    bool alive = true;      // until its window is destroyed
    int dispatchDepth = 0;  // handlers of this form on the stack
    std::vector<std::unique_ptr<Unit>> units;
    std::vector<HWND> disabledWindows;  // by a dialog form, enabled again on close
    UniqueIcon icon;
    UniqueBrush backBrush;
    std::uint32_t nextCopyId = 0x7F000000;
    // The DPI the units are laid out at, and the monitor the form took when
    // it opened: kept, whatever the windows do afterwards.
    UINT dpi = dpi::kBase;
    RECT screen{};

private:
    void OnDestroy();
    void OnDpiChanged(UINT newDpi, const RECT& suggested);
    void PaintWindowlessChildren(HDC dc);
    HWND owner_;
};

Unit* Resolve(UnitRef ref);
Form* ResolveForm(UnitRef ref);

// Creates a unit of the description's kind (not yet created natively).
std::unique_ptr<Unit> MakeUnit(Form* form, const UnitDescription& description);

// Window classes of the units, registered by InitRuntime.
void RegisterUnitClasses(HINSTANCE instance);
void RegisterFormClass(HINSTANCE instance);

// Paints every visible windowless unit held by `containerWindow`.
void PaintWindowlessUnits(Form& form, Unit* container, HDC dc);

// Runs a message loop until `done` reads true or WM_QUIT arrives (then reposted
// for outer loops when `nested`). Returns the WM_QUIT code or 0.
int RunLoop(const bool& done, bool nested);
void SweepDeadForms();
void DestroyAllForms();
// The first form loaded without dialog mode while none was open; nothing
// before that or once it has gone.
UnitRef MainForm();

// The unit of a window created by the runtime, or null.
Unit* UnitFromWindow(HWND hwnd);
inline constexpr const wchar_t* kFormClass = L"Runtime_Form";
inline constexpr const wchar_t* kLabelClass = L"Runtime_Label";
inline constexpr const wchar_t* kTimerClass = L"Runtime_Timer";
inline constexpr const wchar_t* kPictureBoxClass = L"Runtime_PictureBox";
inline constexpr const wchar_t* kPanelClass = L"Runtime_Panel";

// A GDI font from a LOGFONT-like description, its height in units drawn at
// `dpi`; null description: none.
HFONT CreateFontFrom(const FontDescription* font, bool noAntialias, UINT dpi = dpi::kBase);

// Draws on a drawing panel (services).
void PanelDraw(Unit* panel, const Picture& picture, int x, int y, std::optional<int> width,
               std::optional<int> height, std::uint32_t mode);
void PanelClear(Unit* panel);
Picture PanelContent(Unit* panel);

}  // namespace runtime::detail

// Thin wrappers over the controls the pages use. Each holds its window, its text and
// its click handler; the form creates the window when the control is placed.
#pragma once

#include "framework/Bounds.h"
#include "framework/GdiObjects.h"

#include <windows.h>

#include <functional>
#include <string>

namespace framework {

class Form; // places and lays out the controls

// Colours the pages use.
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);

class Control {
  public:
    // The window goes with the control, before the form that holds it.
    virtual ~Control();
    HWND Handle() const { return window_; }
    int Id() const { return id_; }

    void SetText(const std::string& text);
    void SetEnabled(bool enabled);
    bool Enabled() const;
    void SetVisible(bool visible);
    void SetFocus();

    // Called through the application's dispatch point.
    std::function<void()> OnClick;

    // Background of the area the control stands on (for labels), or none.
    void SetBackground(COLORREF color);
    HBRUSH BackgroundBrush() const { return background_.Get(); }
    COLORREF BackgroundColor() const { return backgroundColor_; }
    void SetTextColor(COLORREF color) { textColor_ = color; }
    COLORREF TextColor() const { return textColor_; }
    // A font of the control's own instead of the form's; height in pixels at 96 DPI.
    void SetFont(const wchar_t* face, int height, int weight, bool italic, BYTE charset);
    // That font at dpi, or nullptr when the control has none of its own.
    HFONT OwnFont(int dpi);
    // The DPI the control is laid out for.
    int Dpi() const { return dpi_; }

  protected:
    friend class Form;
    // Creates the window; the form gives parent, id and bounds (at the form's DPI).
    virtual void Create(HWND parent, int id, Bounds bounds) = 0;
    // Moves the control to bounds for another DPI (the window moved to another monitor).
    virtual void MoveTo(Bounds bounds);
    void CreateWindowOf(const wchar_t* windowClass, DWORD style, DWORD exStyle, HWND parent, int id,
                        Bounds bounds);
    // Text as the window shows it (labels turn a lone CR into a line break).
    virtual std::string DisplayText(const std::string& text) const { return text; }

    HWND window_ = nullptr;
    int id_ = 0;
    int dpi_ = 96;

  private:
    std::string text_;
    Brush background_;
    COLORREF backgroundColor_ = CLR_INVALID;
    COLORREF textColor_ = CLR_INVALID;
    struct FontSpec {
        const wchar_t* face = L"";
        int height = 0; // 0: none of its own
        int weight = FW_NORMAL;
        bool italic = false;
        BYTE charset = DEFAULT_CHARSET;
    } fontSpec_;
    Font font_;
};

// A control that paints itself whole and reports clicks: the panels and pictures.
class PaintedControl : public Control {
  public:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  protected:
    void Create(HWND parent, int id, Bounds bounds) override;
    virtual void Paint(HDC dc, const RECT& area) const = 0;
};

// A panel: a plain area with its bevels.
class Panel : public PaintedControl {
  public:
    enum class Bevel { RaisedOuter, Etched };
    Panel(Bevel bevel, COLORREF color) : bevel_(bevel), color_(color) {}

  protected:
    void Paint(HDC dc, const RECT& area) const override;

  private:
    Bevel bevel_;
    COLORREF color_;
};

// A picture: a bitmap shown at its size at 96 DPI, or an icon stretched to fill. At
// another DPI the drawing made for the nearest display scale at or above it is used
// (bitmap resources name + "125", "150", "200"; the icon's image of that size),
// resampled with quality where it is not the exact size.
class Image : public PaintedControl {
  public:
    // A packed bitmap resource (framework/PackedBitmap.h), with its drawings for other
    // display scales under the name followed by the scale ("BANNER150").
    void LoadBitmapResource(const char* name);
    // The icon's size at 96 DPI.
    void LoadIconResource(int id, int size);

  protected:
    void Paint(HDC dc, const RECT& area) const override;

  private:
    void PaintBitmap(HDC dc) const;
    // The drawings for the control's DPI, loaded when it first paints at that DPI.
    void LoadDrawingsForDpi() const;

    std::string bitmapName_;
    int iconId_ = 0;
    int iconSize_ = 0;
    SIZE designSize_ = {0, 0}; // the 100 % bitmap's
    mutable int loadedFor_ = 0;
    mutable Bitmap bitmap_;
    mutable Icon icon_;
};

// A text label; "\r" breaks lines, long lines wrap at the label's width.
class Label : public Control {
  protected:
    void Create(HWND parent, int id, Bounds bounds) override;
    std::string DisplayText(const std::string& text) const override;
};

// A text box of the system's, named for screen readers by what it holds (its window
// text is its content, which is no name).
class TextBox : public Control {
  public:
    void SetAccessibleName(const std::string& name) { accessibleName_ = name; }

  protected:
    // Makes the window and has it answer with the name.
    void CreateTextBox(DWORD style, HWND parent, int id, Bounds bounds);

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    std::string accessibleName_;
};

// A read-only multi-line text box with a vertical scroll bar.
class Memo : public TextBox {
  protected:
    void Create(HWND parent, int id, Bounds bounds) override;
    std::string DisplayText(const std::string& text) const override;
};

// A single-line edit field.
class Edit : public TextBox {
  public:
    std::string CurrentText() const; // what the user typed
  protected:
    void Create(HWND parent, int id, Bounds bounds) override;
};

class Button : public Control {
  public:
    explicit Button(bool isDefault = false) : default_(isDefault) {}

  protected:
    void Create(HWND parent, int id, Bounds bounds) override;

  private:
    bool default_;
};

// A push button without a window of its own in the tab order: it takes no keyboard
// focus, is drawn raised, and shows its hint when the pointer rests on it.
class SpeedButton : public Control {
  public:
    void SetHint(const std::string& hint) { hint_ = hint; }
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  protected:
    void Create(HWND parent, int id, Bounds bounds) override;

  private:
    std::string hint_;
};

class CheckBox : public Control {
  public:
    bool Checked() const;
    void SetChecked(bool checked);

  protected:
    void Create(HWND parent, int id, Bounds bounds) override;
};

class ProgressBar : public Control {
  public:
    void SetRange(long minimum, long maximum);
    long Position() const;
    void SetPosition(long position);

  protected:
    void Create(HWND parent, int id, Bounds bounds) override;
};

// Plays AVI resource 160 of shell32.dll, centred and transparent. The window is made
// (and the clip opened) when the control is first made visible.
class Animate : public Control {
  public:
    void Show();
    // Plays the whole clip without end; raises "Cannot open AVI" when it could not be opened.
    void Play();
    // Stops the clip and hides the control.
    void StopAndHide();

  protected:
    void Create(HWND parent, int id, Bounds bounds) override;
    void MoveTo(Bounds bounds) override;

  private:
    HWND parent_ = nullptr;
    Bounds bounds_{};
    bool opened_ = false;
};

// Makes the common controls available (progress bar, animation, tooltips).
void InitializeCommonControls();

} // namespace framework

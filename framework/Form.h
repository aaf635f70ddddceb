// A form: a top-level window owned by the application window, built from a layout of
// controls (positions in client pixels at 96 DPI, scaled to the window's DPI: that of
// the monitor it is on). The window procedure sends every event to the form's named
// handlers through the application's dispatch point.
#pragma once

#include "framework/Bounds.h"
#include "framework/GdiObjects.h"

#include <windows.h>

#include <string>
#include <vector>

namespace framework {

class Control;
class Button;

class Form {
  public:
    // Creates the window, hidden, with the given caption and client size (at 96 DPI).
    Form(const std::string& caption, int clientWidth, int clientHeight);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND Handle() const { return window_; }
    // Shows the form and brings it to the front; centred on the screen the first time,
    // where the user left it afterwards.
    void Show();
    void Hide();

  protected:
    // Creates control's window at bounds (at 96 DPI); controls added in tab order.
    void Place(Control& control, Bounds bounds);
    // The button that Enter activates.
    void SetDefaultButton(Button& button) { defaultButton_ = &button; }
    // Keeps the panels underneath every other control.
    void SendToBack(Control& control);
    // What the close box (and Alt+F4) does; by default the form hides.
    virtual void CloseBoxPressed() { Hide(); }

  private:
    // The classes of the forms and of the custom controls, registered with the first form.
    static void RegisterWindowClasses(HINSTANCE instance);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    Control* ControlOf(HWND window) const;
    Control* ControlWithId(int id) const;
    LRESULT ColorStatic(HDC dc, HWND control);
    // Lays the form out again for dpi, in the window rectangle the system suggests.
    void ChangeDpi(int dpi, const RECT& suggested);
    // Takes the DPI of the monitor the new window opened on, where the system tells it
    // (it may differ from the screen's the form was sized for), before any control is placed.
    void TakeOwnDpi(int clientWidth, int clientHeight);
    void MakeFont();
    void SetFontOf(Control& control);

    HWND window_ = nullptr;
    bool placed_ = false;
    std::vector<Control*> controls_;
    std::vector<Bounds> layout_; // each control's bounds at 96 DPI
    Button* defaultButton_ = nullptr;
    int dpi_;
    Font font_;
};

} // namespace framework

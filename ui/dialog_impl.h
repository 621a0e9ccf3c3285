// Modeless dialogs from a dialog template, bound to a C++ object at WM_INITDIALOG. Handlers return the
// message result; the dialog procedure hands it to the dialog manager the way each message needs.
#pragma once

#include <windows.h>

#include "ui/message_map.h"

namespace radu::ui {

class CDialogImplBase {
  public:
    CDialogImplBase() = default;
    CDialogImplBase(const CDialogImplBase&) = delete;
    CDialogImplBase& operator=(const CDialogImplBase&) = delete;

    // True when the message is answered in `result`; false leaves it to the default dialog processing.
    virtual bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    virtual ~CDialogImplBase();
    virtual void OnFinalMessage(HWND) {}

    HWND hwnd() const { return boundWindow; }

    // Creates the dialog from template `templateId` of `module` (null: the program). Null on failure.
    HWND Create(HWND parent, int templateId, HINSTANCE module = nullptr);
    bool DestroyWindow();

  private:
    static INT_PTR CALLBACK StartDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND boundWindow = nullptr;
};

template <typename T>
class CDialogImpl : public CDialogImplBase {
  public:
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (DispatchMessageMap(static_cast<T*>(this), T::kMessageMap, message, wParam, lParam, result) ==
            MapResult::kHandled)
            return true;
        return static_cast<T*>(this)->ProcessUnmapped(message, wParam, lParam, result);
    }
    // Messages the map leaves over; a dialog that reflects notifications overrides this.
    bool ProcessUnmapped(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
};

}  // namespace radu::ui

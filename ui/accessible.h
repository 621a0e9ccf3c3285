// What a control tells a screen reader. A screen reader asks a window for its accessible object with
// WM_GETOBJECT (AccessibleObjectFromWindow, OBJID_CLIENT), from its own process. A skinned control is a
// window of a class the system does not know, and a standard control cannot know which static labels it:
// the system's standard object (CreateStdAccessibleObject) gives such a window at best its text as its
// name and a role that does not say what it is ("client"). The control answers instead with an object of
// its own that keeps everything of the standard object (place, focus, visibility, parent, navigation) and
// adds what only the control knows: its role, its name, its value, its state bits and its default action.
//
// oleacc.dll is on no known-DLL list: it is loaded at run time, from System32 only, when the first
// screen reader asks. Without it every window answers as the system's own procedure does.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

#include "common/unique_handle.h"

namespace radu::ui {

// What the control adds to the system's standard object, asked afresh at every call.
struct AccessibleDescription {
    long role = ROLE_SYSTEM_CLIENT;
    std::wstring name;
    std::wstring value;                      // empty: the standard object's value
    DWORD addedState = 0;                    // STATE_SYSTEM_* bits over the standard object's
    const wchar_t* defaultAction = nullptr;  // null: the standard object's; else DoAccessibleAction does it

    // The name is `window`'s own text.
    void NameFromText(HWND window);
    // The name is the text of the static that labels the control, without the colon that ends it
    // ("安装路径:" names "安装路径").
    void NameFromLabel(HWND label);
    // The value is `window`'s own text.
    void ValueFromText(HWND window);
};

class AccessibleSource {
  public:
    virtual void DescribeAccessible(AccessibleDescription& out) const = 0;
    // Does the default action the description names (a screen reader's "press"), for a control that is
    // shown and enabled; false when it could not be started.
    virtual bool DoAccessibleAction() { return false; }

  protected:
    ~AccessibleSource() = default;
};

class AccessibleObject;

// One control's accessible object: made at the first WM_GETOBJECT, handed out for every later one, and
// cut off from the control and from every screen reader that still holds it when the control goes.
class AccessibleAnswer {
  public:
    explicit AccessibleAnswer(AccessibleSource& source);
    ~AccessibleAnswer();
    AccessibleAnswer(const AccessibleAnswer&) = delete;
    AccessibleAnswer& operator=(const AccessibleAnswer&) = delete;

    // WM_GETOBJECT sent to `window`: true, with the message's result in `result`, for its client object.
    // False for any other object (the window's own procedure answers those) and when oleacc.dll cannot
    // be had.
    bool Answer(HWND window, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void Disconnect();

  private:
    AccessibleSource& describedBy;
    UniqueComPtr<AccessibleObject> object;
};

// Tells screen readers that something of `window`'s client object changed (EVENT_OBJECT_VALUECHANGE,
// EVENT_OBJECT_NAMECHANGE, ...); they ask the object again.
inline void AnnounceAccessible(HWND window, DWORD event) {
    ::NotifyWinEvent(event, window, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace radu::ui

// CAccessibleControl: a standard control that tells a screen reader the role of its kind and the name its
// user reads for it: a check box named by the static text beside it, a clickable static text that is a
// link, a static text. The system's standard object knows neither the label of a check box without text
// of its own nor that a static text can be clicked. Apart from WM_GETOBJECT every message goes on to the
// control as before.
#pragma once

#include "ui/accessible.h"
#include "ui/window_impl.h"

namespace radu::ui {

class CAccessibleControl : public CWindowImpl<CAccessibleControl>, private AccessibleSource {
  public:
    static const MessageEntry<CAccessibleControl> kMessageEntries[];
    static const MessageMap<CAccessibleControl> kMessageMap;

    CAccessibleControl() = default;
    ~CAccessibleControl() override;

    // Takes over `control` as one of `role` (ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_LINK or
    // ROLE_SYSTEM_STATICTEXT), named by the static text `label`, or by its own text without one.
    bool Describe(HWND control, long role, HWND label = nullptr);

  private:
    LRESULT OnGetObject(WPARAM, LPARAM);
    void DescribeAccessible(AccessibleDescription& out) const override;
    bool DoAccessibleAction() override;
    bool IsChecked() const;

    long kind = ROLE_SYSTEM_STATICTEXT;
    HWND labelWindow = nullptr;
    AccessibleAnswer accessible{*this};
};

}  // namespace radu::ui

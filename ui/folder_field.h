// CFolderField: the install folder's edit control. The field is a multi-line edit for its look, but a
// folder has one line: a line break typed (Ctrl+Enter, or Enter where the edit takes it) or pasted never
// enters its text, since the text is joined with the product's paths as it stands. A screen reader hears
// an editable text named by the static text that labels it, whose value is the folder.
#pragma once

#include "ui/accessible.h"
#include "ui/window_impl.h"

namespace radu::ui {

class CFolderField : public CWindowImpl<CFolderField>, private AccessibleSource {
  public:
    static const MessageEntry<CFolderField> kMessageEntries[];
    static const MessageMap<CFolderField> kMessageMap;

    void SetAccessibleLabel(HWND label) { accessibleLabel = label; }

  private:
    LRESULT OnChar(WPARAM, LPARAM);
    LRESULT OnPaste(WPARAM, LPARAM);
    LRESULT OnGetObject(WPARAM, LPARAM);

    void DescribeAccessible(AccessibleDescription& out) const override;

    HWND accessibleLabel = nullptr;
    AccessibleAnswer accessible{*this};
};

}  // namespace radu::ui

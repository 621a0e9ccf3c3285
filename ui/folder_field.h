// CFolderField: the install folder's edit control. The field is a multi-line edit for its look, but a
// folder has one line: a line break typed (Ctrl+Enter, or Enter where the edit takes it) or pasted never
// enters its text, since the text is joined with the product's paths as it stands.
#pragma once

#include "ui/window_impl.h"

namespace radu::ui {

class CFolderField : public CWindowImpl<CFolderField> {
  public:
    static const MessageEntry<CFolderField> kMessageEntries[];
    static const MessageMap<CFolderField> kMessageMap;

  private:
    LRESULT OnChar(WPARAM, LPARAM);
    LRESULT OnPaste(WPARAM, LPARAM);
};

}  // namespace radu::ui

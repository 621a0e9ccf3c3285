// Custom-draw dispatch: turns one NM_CUSTOMDRAW record into a call of the handler for its draw stage.
// A stage without a handler of its own answers CDRF_DODEFAULT, so the control draws as usual.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace radu::ui {

class CCustomDraw {
  public:
    virtual ~CCustomDraw() = default;

    LRESULT DispatchCustomDraw(NMCUSTOMDRAW* draw);

  protected:
    virtual DWORD OnPrePaint(int /*id*/, NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
    virtual DWORD OnPostPaint(int /*id*/, NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
    virtual DWORD OnPreErase(int /*id*/, NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
    virtual DWORD OnPostErase(int /*id*/, NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
    virtual DWORD OnItemPrePaint(int /*id*/, NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
    virtual DWORD OnItemPostPaint(int /*id*/, NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
    virtual DWORD OnItemPreErase(int /*id*/, NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
    virtual DWORD OnItemPostErase(int /*id*/, NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
    virtual DWORD OnSubItemPrePaint(int /*id*/, NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
};

}  // namespace radu::ui

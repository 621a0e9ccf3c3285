#include "ui/custom_draw.h"

namespace radu::ui {

LRESULT CCustomDraw::DispatchCustomDraw(NMCUSTOMDRAW* draw) {
    if (draw == nullptr)
        return CDRF_DODEFAULT;
    const int id = static_cast<int>(draw->hdr.idFrom);
    switch (draw->dwDrawStage) {
        case CDDS_PREPAINT:
            return OnPrePaint(id, draw);
        case CDDS_POSTPAINT:
            return OnPostPaint(id, draw);
        case CDDS_PREERASE:
            return OnPreErase(id, draw);
        case CDDS_POSTERASE:
            return OnPostErase(id, draw);
        case CDDS_ITEMPREPAINT:
            return OnItemPrePaint(id, draw);
        case CDDS_ITEMPOSTPAINT:
            return OnItemPostPaint(id, draw);
        case CDDS_ITEMPREERASE:
            return OnItemPreErase(id, draw);
        case CDDS_ITEMPOSTERASE:
            return OnItemPostErase(id, draw);
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            return OnSubItemPrePaint(id, draw);
        default:
            return CDRF_DODEFAULT;
    }
}

}  // namespace radu::ui

// Loading the skin and laying out the controls while the dialog initialises, and again at another scale
// when the window moves to a monitor of another DPI.
#include <iterator>
#include <type_traits>
#include <utility>

#include "ui/control_ids.h"
#include "ui/folder_browser.h"
#include "ui/folder_text.h"
#include "ui/main_view.h"
#include "ui/point_font.h"
#include "ui/skin_image.h"

namespace radu::ui {
namespace {

constexpr DWORD kChildVisible = WS_CHILD | WS_VISIBLE;  // 0x50000000
// What the user works with is reached with Tab as well.
constexpr DWORD kInteractive = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kCheckBoxStyle = kInteractive | BS_AUTOCHECKBOX;
// The folder's text is used exactly as typed: no case styles ("D:\Tools" stays "D:\Tools").
constexpr DWORD kFolderFieldStyle = kInteractive | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr wchar_t kFontFace[] = L"新宋体";
constexpr int kTemplateFontTenths = 80;  // the dialog template's font: 8 point

const int kPageResources[CMainView::kPageCount] = {kPngStartBanner, kPngCustomBackground, kPngSlideOne,
                                                   kPngSlideTwo, kPngFinishBanner};

// Places in logical pixels (left, top, right, bottom).
constexpr RECT kInstallButtonPlace = {220, 307, 388, 359};
constexpr RECT kCloseButtonPlace = {579, 10, 590, 21};
constexpr RECT kArrowButtonPlace = {575, 278, 590, 291};
constexpr RECT kBrowseButtonPlace = {458, 106, 478, 126};
constexpr RECT kLicenceBoxPlace = {10, 270, 100, 300};
constexpr RECT kFolderFieldPlace = {183, 106, 456, 126};
constexpr RECT kOptionBoxPlaces[3] = {{188, 149, 210, 181}, {188, 185, 210, 217}, {188, 221, 210, 253}};
constexpr RECT kProgressBarPlace = {198, 312, 479, 334};
// The dialog template's statics, where its dialog units put them at 96 DPI. The template's box for the
// status text reaches into the bar's left end, and its background would cover that end whenever the text
// changes: here it ends where the bar begins.
struct TemplatePlace {
    int id;
    RECT rect;
};
constexpr TemplatePlace kTemplatePlaces[] = {
    {kIdLicenceLink, {99, 278, 173, 291}},
    {kIdCustomInstallLink, {506, 278, 575, 291}},
    {kIdFolderLabel, {110, 109, 193, 132}},
    {kIdOptionLabelDesktop, {210, 158, 317, 174}},
    {kIdOptionLabelStartMenu, {210, 195, 317, 211}},
    {kIdOptionLabelAutoStart, {210, 229, 317, 245}},
    {kIdStatusText, {95, 315, 198, 336}},
    {kIdPercentText, {486, 315, 555, 328}},
};

void SetFont(HWND control, HGDIOBJ font) {
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

// Moves `control` to `rect` (client pixels of its parent) unless it is there already.
void MoveTo(HWND control, const RECT& rect) {
    if (control == nullptr)
        return;
    RECT now;
    ::GetWindowRect(control, &now);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&now), 2);
    if (::EqualRect(&now, &rect))
        return;
    ::SetWindowPos(control, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CMainView::~CMainView() = default;

void CMainView::Attach(HWND dialog) {
    dialogWindow = dialog;
    scale = DpiScale(WindowDpi(dialog));
    templateFontDpi = scale.Dpi();
    TakeOverDialogScaling(dialog);
    FitWindow(nullptr);
}

SIZE CMainView::WindowSizeAt(UINT dpi) const {
    RECT window, client;
    ::GetWindowRect(dialogWindow, &window);
    ::GetClientRect(dialogWindow, &client);
    // The frame (a one-pixel border) stays as the system draws it; the client area takes the scale.
    const DpiScale at(dpi);
    return {at(kClientWidth) + (window.right - window.left) - client.right,
            at(kClientHeight) + (window.bottom - window.top) - client.bottom};
}

void CMainView::FitWindow(const RECT* suggested) {
    RECT window;
    ::GetWindowRect(dialogWindow, &window);
    const SIZE size = WindowSizeAt(scale.Dpi());
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (suggested == nullptr) {
        if (size.cx == window.right - window.left && size.cy == window.bottom - window.top)
            return;
        flags |= SWP_NOMOVE;
    }
    ::SetWindowPos(dialogWindow, nullptr, suggested != nullptr ? suggested->left : 0,
                   suggested != nullptr ? suggested->top : 0, size.cx, size.cy, flags);
}

bool CMainView::LoadSkin() {
    for (int i = 0; i < kPageCount; ++i) {
        pageImages[i].reset();
        pagePending[i] = true;
    }
    return PagePicture(0) != nullptr;
}

bool CMainView::LoadPendingPictures() {
    bool all = true;
    for (int i = 0; i < kPageCount; ++i)
        all = PagePicture(i) != nullptr && all;
    return all;
}

Gdiplus::Image* CMainView::PagePicture(int index) {
    if (index < 0 || index >= kPageCount)
        return nullptr;
    if (pagePending[index]) {
        pagePending[index] = false;
        pageImages[index] = LoadScaledSkin(kPageResources[index], scale);
    }
    return pageImages[index].get();
}

void CMainView::CreateSkinButton(CCustomButton& button, const RECT& rect, int id, int strip) {
    button.Create(dialogWindow, scale.Rect(rect), kInteractive, id);
    button.SetSkinParent(dialogWindow);
    button.SetStrip(LoadScaledSkin(strip, scale, 2));
    button.SetFrameCount(2);
    button.SetFrameIndexes(0, 1, 1, 1);  // normal, pressed, hover, disabled
}

HWND CMainView::CreateCheckBox(const RECT& rect, int id, const wchar_t* text) {
    const RECT place = scale.Rect(rect);
    return ::CreateWindowExW(0, L"BUTTON", text, kCheckBoxStyle, place.left, place.top,
                             place.right - place.left, place.bottom - place.top, dialogWindow,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                             nullptr);
}

void CMainView::ApplyFonts() {
    radu::UniqueGdiObject button = CreatePointFont(200, kFontFace, scale.Dpi());
    radu::UniqueGdiObject licence = CreatePointFont(90, kFontFace, scale.Dpi());
    radu::UniqueGdiObject label = CreatePointFont(110, kFontFace, scale.Dpi());
    radu::UniqueGdiObject folder = CreatePointFont(100, kFontFace, scale.Dpi());
    radu::UniqueGdiObject option = CreatePointFont(100, kFontFace, scale.Dpi());
    SetFont(installButton.hwnd(), button.get());
    SetFont(licenceBox, licence.get());
    SetFont(::GetDlgItem(dialogWindow, kIdFolderLabel), label.get());
    SetFont(folderField.hwnd(), folder.get());
    for (int id : {kIdOptionLabelDesktop, kIdOptionLabelStartMenu, kIdOptionLabelAutoStart})
        SetFont(::GetDlgItem(dialogWindow, id), option.get());
    SetFont(::GetDlgItem(dialogWindow, kIdStatusText), label.get());
    // The controls hold the new fonts now: the old ones can go.
    fontButton = std::move(button);
    fontLicence = std::move(licence);
    fontLabel = std::move(label);
    fontFolder = std::move(folder);
    fontOption = std::move(option);
}

void CMainView::ApplyTemplateFont() {
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessageW(dialogWindow, WM_GETFONT, 0, 0));
    radu::UniqueGdiObject scaled;
    LOGFONTW lf;
    if (scale.Dpi() != templateFontDpi && font != nullptr &&
        ::GetObjectW(font, sizeof(lf), &lf) == sizeof(lf)) {
        // Sized from its point size, as the dialog manager sizes it for a window made at this DPI.
        lf.lfHeight = PointFontHeight(kTemplateFontTenths, scale.Dpi());
        lf.lfWidth = 0;
        scaled.reset(::CreateFontIndirectW(&lf));
        if (scaled)
            font = scaled.get();
    }
    for (int id : {kIdLicenceLink, kIdCustomInstallLink, kIdPercentText})
        SetFont(::GetDlgItem(dialogWindow, id), font);
    licenceLink.SetLabel(L"许可协议");  // its clickable area follows the font
    templateFont = std::move(scaled);
}

void CMainView::ApplyControlPictures() {
    for (auto [button, strip] : {std::pair<CCustomButton*, int>{&installButton, kPngInstallButton},
                                 {&closeButton, kPngCloseButton},
                                 {&arrowButton, kPngArrowButton},
                                 {&browseButton, kPngBrowseButton}})
        button->SetStrip(LoadScaledSkin(strip, scale, 2));
    installButton.SetLabelDrop(scale(10));
    progress.SetPictures(LoadScaledSkin(kPngProgressTrack, scale), LoadScaledSkin(kPngProgressFill, scale));
    progress.SetMargins(scale(3), scale(3));
}

void CMainView::PlaceControls() {
    MoveTo(installButton.hwnd(), scale.Rect(kInstallButtonPlace));
    MoveTo(closeButton.hwnd(), scale.Rect(kCloseButtonPlace));
    MoveTo(arrowButton.hwnd(), scale.Rect(kArrowButtonPlace));
    MoveTo(browseButton.hwnd(), scale.Rect(kBrowseButtonPlace));
    MoveTo(licenceBox, scale.Rect(kLicenceBoxPlace));
    MoveTo(folderField.hwnd(), scale.Rect(kFolderFieldPlace));
    for (int i = 0; i < 3; ++i)
        MoveTo(optionBoxes[i], scale.Rect(kOptionBoxPlaces[i]));
    MoveTo(progress.hwnd(), scale.Rect(kProgressBarPlace));
    for (const TemplatePlace& place : kTemplatePlaces)
        MoveTo(::GetDlgItem(dialogWindow, place.id), scale.Rect(place.rect));
}

void CMainView::CreateControls(HWND dialog, const wchar_t* licenceAddress) {
    dialogWindow = dialog;
    optionBackground.reset(::CreateSolidBrush(RGB(0x2F, 0x97, 0xD0)));

    // The install button.
    CreateSkinButton(installButton, kInstallButtonPlace, kIdInstallButton, kPngInstallButton);
    installButton.SetLabelDrop(scale(10));
    installButton.SetButtonText(L"快速安装");
    installButton.SetTextColors(kWhite, kWhite, kWhite, kWhite);

    // Picture-only buttons, named for a screen reader by what they do.
    CreateSkinButton(closeButton, kCloseButtonPlace, kIdCloseButton, kPngCloseButton);
    CreateSkinButton(arrowButton, kArrowButtonPlace, kIdArrowButton, kPngArrowButton);
    CreateSkinButton(browseButton, kBrowseButtonPlace, kIdBrowseButton, kPngBrowseButton);
    closeButton.SetAccessibleName(L"关闭");
    arrowButton.SetAccessibleName(L"自定义安装");
    browseButton.SetAccessibleName(L"浏览");

    // Licence box and link.
    licenceBox = CreateCheckBox(kLicenceBoxPlace, kIdLicenceBox, L"已阅读并同意");
    licenceLink.SubclassWindow(::GetDlgItem(dialogWindow, kIdLicenceLink));
    ::SetWindowLongPtrW(licenceLink.hwnd(), GWL_STYLE,
                        ::GetWindowLongPtrW(licenceLink.hwnd(), GWL_STYLE) | WS_TABSTOP);
    licenceLink.SetHyperLinkExtendedStyle(kLinkCommandButton | kLinkNotifyButton);
    licenceLink.SetLabel(L"许可协议");
    licenceLink.SetToolTipText(licenceAddress);

    // The dialog template's texts.
    ::SetDlgItemTextW(dialogWindow, kIdCustomInstallLink, L"自定义安装");
    ::SetDlgItemTextW(dialogWindow, kIdFolderLabel, L"安装路径:");

    // The folder field. Longer text could not be joined with the product's paths: the field takes no
    // more, and the folder dialog and the install button refuse longer text with a message.
    const RECT fieldPlace = scale.Rect(kFolderFieldPlace);
    HWND field = ::CreateWindowExW(
        0, L"EDIT", L"", kFolderFieldStyle, fieldPlace.left, fieldPlace.top,
        fieldPlace.right - fieldPlace.left, fieldPlace.bottom - fieldPlace.top, dialogWindow,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdFolderField)), ::GetModuleHandleW(nullptr), nullptr);
    folderField.SubclassWindow(field);
    ::SendMessageW(field, EM_LIMITTEXT, kMaxFolderTextUnits, 0);
    installFolder = DefaultInstallFolder();
    ::SetWindowTextW(field, installFolder.c_str());

    // Options and the installing page's texts.
    optionBoxes[0] = CreateCheckBox(kOptionBoxPlaces[0], kIdOptionDesktop, L"");
    optionBoxes[1] = CreateCheckBox(kOptionBoxPlaces[1], kIdOptionStartMenu, L"");
    optionBoxes[2] = CreateCheckBox(kOptionBoxPlaces[2], kIdOptionAutoStart, L"");
    const int labels[3] = {kIdOptionLabelDesktop, kIdOptionLabelStartMenu, kIdOptionLabelAutoStart};
    const wchar_t* labelTexts[3] = {L"生成桌面图标", L"创建开始菜单", L"开机启动"};
    for (int i = 0; i < 3; ++i)
        ::SetDlgItemTextW(dialogWindow, labels[i], labelTexts[i]);
    ::SetDlgItemTextW(dialogWindow, kIdStatusText, L"正在下载资源:");
    ::SetDlgItemTextW(dialogWindow, kIdPercentText, L"0%");
    ApplyFonts();

    // The progress bar over the white band.
    progress.Create(dialogWindow, scale.Rect(kProgressBarPlace), kChildVisible, kIdProgressBar);
    progress.SetPictures(LoadScaledSkin(kPngProgressTrack, scale), LoadScaledSkin(kPngProgressFill, scale));
    progress.SetSkinParent(dialogWindow);
    progress.SetMargins(scale(3), scale(3));
    progress.SetPosition(0);

    // All three options start ticked.
    for (HWND box : optionBoxes)
        ::SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);

    // What a screen reader is told: the option boxes and the folder field are named by their labels, the
    // bar by the status text beside it; the custom-install text is a link. (1005 finds the folder label.)
    static constexpr struct {
        int id;
        long role;
        int label;  // 0: named by its own text
    } kDescribed[] = {
        {kIdLicenceBox, ROLE_SYSTEM_CHECKBUTTON, 0},
        {kIdCustomInstallLink, ROLE_SYSTEM_LINK, 0},
        {kIdOptionDesktop, ROLE_SYSTEM_CHECKBUTTON, kIdOptionLabelDesktop},
        {kIdOptionStartMenu, ROLE_SYSTEM_CHECKBUTTON, kIdOptionLabelStartMenu},
        {kIdOptionAutoStart, ROLE_SYSTEM_CHECKBUTTON, kIdOptionLabelAutoStart},
        {kIdFolderLabel, ROLE_SYSTEM_STATICTEXT, 0},
        {kIdOptionLabelDesktop, ROLE_SYSTEM_STATICTEXT, 0},
        {kIdOptionLabelStartMenu, ROLE_SYSTEM_STATICTEXT, 0},
        {kIdOptionLabelAutoStart, ROLE_SYSTEM_STATICTEXT, 0},
        {kIdStatusText, ROLE_SYSTEM_STATICTEXT, 0},
        {kIdPercentText, ROLE_SYSTEM_STATICTEXT, 0},
    };
    static_assert(std::size(kDescribed) == std::extent_v<decltype(describedControls)>,
                  "one described control for each row");
    auto item = [&](int id) { return id != 0 ? ::GetDlgItem(dialogWindow, id) : nullptr; };
    for (size_t i = 0; i < std::size(kDescribed); ++i)
        describedControls[i].Describe(item(kDescribed[i].id), kDescribed[i].role, item(kDescribed[i].label));
    folderField.SetAccessibleLabel(item(kIdFolderLabel));
    progress.SetAccessibleLabel(item(kIdStatusText));

    // The template's statics, placed at the window's scale (the dialog manager placed them by its font).
    PlaceControls();

    // Tab goes through the controls in reading order: licence, folder and options, then the buttons.
    // That order is the windows' order among their siblings. It starts after the dialog template's
    // statics, so that a look-up of 1005 still finds the folder label before the install button.
    const HWND tabOrder[] = {licenceBox,         licenceLink.hwnd(), field,          browseButton.hwnd(),
                             optionBoxes[0],     optionBoxes[1],     optionBoxes[2], installButton.hwnd(),
                             arrowButton.hwnd(), closeButton.hwnd()};
    HWND after = ::GetDlgItem(dialogWindow, kIdPercentText);  // the template's last control
    for (HWND control : tabOrder) {
        ::SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = control;
    }

    // Focus rectangles and access keys stay hidden until the keyboard is used in the window. Posted: the
    // dialog manager initialises the window's state itself once the dialog is created.
    ::PostMessageW(dialogWindow, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

void CMainView::OnDpiChanged(UINT dpi, const RECT* suggested) {
    if (dialogWindow == nullptr || dpi == 0 || dpi == scale.Dpi())
        return;
    scale = DpiScale(dpi);
    // The window and its pictures first: the skinned controls capture the skin behind them as they
    // recompose.
    FitWindow(suggested);
    LoadSkin();
    PlaceControls();
    ApplyFonts();
    ApplyTemplateFont();
    ApplyControlPictures();
    progress.SetPosition(static_cast<int>(progress.Position()));
    ::RedrawWindow(dialogWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace radu::ui

// Loading the skin and laying out the controls, once, while the dialog initialises.
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

const int kPageResources[CMainView::kPageCount] = {kPngStartBanner, kPngCustomBackground, kPngSlideOne,
                                                   kPngSlideTwo, kPngFinishBanner};

void SetFont(HWND control, const radu::UniqueGdiObject& font) {
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
}

}  // namespace

bool CMainView::LoadSkin() {
    bool all = true;
    for (int i = 0; i < kPageCount; ++i)
        all = LoadSkinImage(pageImages[i], MAKEINTRESOURCEW(kPageResources[i]), L"PNG") && all;
    return all;
}

void CMainView::CreateSkinButton(CCustomButton& button, const RECT& rect, int id, int strip) {
    button.Create(dialogWindow, rect, kInteractive, id);
    button.SetSkinParent(dialogWindow);
    button.LoadStrip(strip);
    button.SetFrameCount(2);
    button.SetFrameIndexes(0, 1, 1, 1);  // normal, pressed, hover, disabled
}

HWND CMainView::CreateCheckBox(const RECT& rect, int id, const wchar_t* text) {
    return ::CreateWindowExW(0, L"BUTTON", text, kCheckBoxStyle, rect.left, rect.top, rect.right - rect.left,
                             rect.bottom - rect.top, dialogWindow,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                             nullptr);
}

void CMainView::CreateControls(HWND dialog, const wchar_t* licenceAddress) {
    dialogWindow = dialog;
    fontButton = CreatePointFont(200, kFontFace);
    fontLicence = CreatePointFont(90, kFontFace);
    fontLabel = CreatePointFont(110, kFontFace);
    fontFolder = CreatePointFont(100, kFontFace);
    fontOption = CreatePointFont(100, kFontFace);
    optionBackground.reset(::CreateSolidBrush(RGB(0x2F, 0x97, 0xD0)));

    // The install button.
    CreateSkinButton(installButton, {220, 307, 388, 359}, kIdInstallButton, kPngInstallButton);
    SetFont(installButton.hwnd(), fontButton);
    installButton.SetButtonText(L"快速安装");
    installButton.SetTextColors(kWhite, kWhite, kWhite, kWhite);

    // Picture-only buttons.
    CreateSkinButton(closeButton, {579, 10, 590, 21}, kIdCloseButton, kPngCloseButton);
    CreateSkinButton(arrowButton, {575, 278, 590, 291}, kIdArrowButton, kPngArrowButton);
    CreateSkinButton(browseButton, {458, 106, 478, 126}, kIdBrowseButton, kPngBrowseButton);

    // Licence box and link.
    licenceBox = CreateCheckBox({10, 270, 100, 300}, kIdLicenceBox, L"已阅读并同意");
    SetFont(licenceBox, fontLicence);
    licenceLink.SubclassWindow(::GetDlgItem(dialogWindow, kIdLicenceLink));
    ::SetWindowLongPtrW(licenceLink.hwnd(), GWL_STYLE,
                        ::GetWindowLongPtrW(licenceLink.hwnd(), GWL_STYLE) | WS_TABSTOP);
    licenceLink.SetHyperLinkExtendedStyle(kLinkCommandButton | kLinkNotifyButton);
    licenceLink.SetLabel(L"许可协议");
    licenceLink.SetToolTipText(licenceAddress);

    // The dialog template's texts.
    ::SetDlgItemTextW(dialogWindow, kIdCustomInstallLink, L"自定义安装");
    ::SetDlgItemTextW(dialogWindow, kIdFolderLabel, L"安装路径:");
    SetFont(::GetDlgItem(dialogWindow, kIdFolderLabel), fontLabel);

    // The folder field. Longer text could not be joined with the product's paths: the field takes no
    // more, and the folder dialog and the install button refuse longer text with a message.
    HWND field = ::CreateWindowExW(
        0, L"EDIT", L"", kFolderFieldStyle, 183, 106, 456 - 183, 126 - 106, dialogWindow,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdFolderField)), ::GetModuleHandleW(nullptr), nullptr);
    folderField.SubclassWindow(field);
    SetFont(field, fontFolder);
    ::SendMessageW(field, EM_LIMITTEXT, kMaxFolderTextUnits, 0);
    installFolder = DefaultInstallFolder();
    ::SetWindowTextW(field, installFolder.c_str());

    // Options and the installing page's texts.
    optionBoxes[0] = CreateCheckBox({188, 149, 210, 181}, kIdOptionDesktop, L"");
    optionBoxes[1] = CreateCheckBox({188, 185, 210, 217}, kIdOptionStartMenu, L"");
    optionBoxes[2] = CreateCheckBox({188, 221, 210, 253}, kIdOptionAutoStart, L"");
    const int labels[3] = {kIdOptionLabelDesktop, kIdOptionLabelStartMenu, kIdOptionLabelAutoStart};
    const wchar_t* labelTexts[3] = {L"生成桌面图标", L"创建开始菜单", L"开机启动"};
    for (int i = 0; i < 3; ++i) {
        SetFont(::GetDlgItem(dialogWindow, labels[i]), fontOption);
        ::SetDlgItemTextW(dialogWindow, labels[i], labelTexts[i]);
    }
    ::SetDlgItemTextW(dialogWindow, kIdStatusText, L"正在下载资源:");
    SetFont(::GetDlgItem(dialogWindow, kIdStatusText), fontLabel);
    ::SetDlgItemTextW(dialogWindow, kIdPercentText, L"0%");

    // The progress bar over the white band.
    progress.Create(dialogWindow, {198, 312, 479, 334}, kChildVisible, kIdProgressBar);
    progress.LoadPictures(kPngProgressTrack, kPngProgressFill);
    progress.SetSkinParent(dialogWindow);
    progress.SetMargins(3, 3);
    progress.SetPosition(0);

    // All three options start ticked.
    for (HWND box : optionBoxes)
        ::SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);

    // The template's box for the status text reaches into the bar's left end, and its background would
    // cover that end whenever the text changes: the box ends where the bar begins.
    RECT status;
    HWND statusText = ::GetDlgItem(dialogWindow, kIdStatusText);
    ::GetWindowRect(statusText, &status);
    ::MapWindowPoints(HWND_DESKTOP, dialogWindow, reinterpret_cast<POINT*>(&status), 2);
    RECT bar;
    ::GetWindowRect(progress.hwnd(), &bar);
    ::MapWindowPoints(HWND_DESKTOP, dialogWindow, reinterpret_cast<POINT*>(&bar), 2);
    if (status.right > bar.left && status.left < bar.left)
        ::SetWindowPos(statusText, nullptr, 0, 0, bar.left - status.left, status.bottom - status.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

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

}  // namespace radu::ui

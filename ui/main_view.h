// Parts: main_view_layout.cpp, main_view_pages.cpp, main_view_paint.cpp, main_view_options.cpp.
// The installer window's look: the skin pictures and how the dialog paints its surface, the fonts and
// static colours, the controls with their places, which controls each page shows, the banner slideshow,
// and the options panel (licence, install folder, the three options), and what a screen reader is told of
// the page and of each control. The controller (the dialog class) decides when pages change and reads the
// user's choices through this class.
#pragma once

#include <string>

#include "common/unique_handle.h"
#include "ui/accessible.h"
#include "ui/accessible_control.h"
#include "ui/custom_button.h"
#include "ui/dpi_scale.h"
#include "ui/folder_field.h"
#include "ui/gdiplus.h"
#include "ui/hyperlink.h"
#include "ui/my_progress.h"
#include "ui/slideshow.h"

namespace radu::ui {

class CMainView : private AccessibleSource {
  public:
    static constexpr int kPageCount = 5;
    // The window's client area and its picture area, in logical pixels (at 96 DPI).
    static constexpr int kClientWidth = 600;
    static constexpr int kClientHeight = 400;
    static constexpr int kPictureHeight = 270;

    CMainView() = default;
    // Out of line: the dialog class that holds the view has several bases, each with its own copy of
    // whatever destructor is inlined into it.
    ~CMainView();
    CMainView(const CMainView&) = delete;
    CMainView& operator=(const CMainView&) = delete;

    // Takes `dialog` (made from template 129) at the DPI of its monitor: the window's client area
    // becomes 600 x 400 logical pixels at that scale, its top-left corner staying where it is.
    void Attach(HWND dialog);

    // Page pictures 0..4 from the program's "PNG" resources, for the window's scale: the start page's
    // now, the others when the window is first idle or when they are first shown, whichever comes first
    // (at a scale between the drawn sizes each one is resampled, which takes its time). False when the
    // start page's picture is missing (painting then leaves that picture out).
    bool LoadSkin();
    // Loads the page pictures not loaded yet; false when any of them is missing.
    bool LoadPendingPictures();

    // Creates and lays out the controls on `dialog` (made from template 129): skinned buttons, licence
    // box and link, folder field with the default folder, options ticked, status texts, progress bar.
    // `licenceAddress` is shown as the licence link's tooltip.
    void CreateControls(HWND dialog, const wchar_t* licenceAddress);

    // Shows the page of an install state (0..3); other values change nothing.
    void ShowPage(int state);
    // WM_GETOBJECT sent to the dialog: its client object is the page, named for a screen reader by what
    // the page is for. False for other objects, which the dialog's own procedure answers.
    bool AnswerAccessible(WPARAM wParam, LPARAM lParam, LRESULT& result) {
        return pageAccessible.Answer(dialogWindow, wParam, lParam, result);
    }

    // WM_DPICHANGED: the window moved to a monitor of another DPI. Everything is drawn again at the new
    // scale; the window takes the suggested place (when given) at the size of the new scale.
    void OnDpiChanged(UINT dpi, const RECT* suggested);
    // The window's size at `dpi` (WM_GETDPISCALEDSIZE), so that the place the system suggests with
    // WM_DPICHANGED has exactly that size.
    SIZE WindowSizeAt(UINT dpi) const;
    const DpiScale& Scale() const { return scale; }

    // Window painting: WM_PAINT / WM_PRINTCLIENT with an optional device context in wParam.
    void OnPaint(WPARAM wParam);
    void PaintSkin(Gdiplus::Graphics& graphics);
    // Timer 2001: one slideshow step.
    void OnSlideTimer();
    void ResetSlideshow() { slides.Reset(); }
    void StopSlideshow();
    // WM_CTLCOLORSTATIC: the brush to return (0 leaves the system colours).
    LRESULT OnCtlColorStatic(HDC dc, HWND control);

    // Options panel.
    bool LicenceAccepted() const;
    void EnableInstall(bool enable);  // install button and arrow
    bool InstallEnabled() const;
    void FlipOption(int labelId);  // 1006..1008 flip 1111..1113
    bool OptionChecked(int boxId) const;
    // The folder dialog; a chosen folder becomes `installFolder` unless its text would be too long, which
    // is refused with a message box. The folder field shows `installFolder` afterwards in every case.
    void OnBrowse();
    // The folder field's text, at most 259 units (as the install reads it).
    std::wstring FolderText() const;
    // The folder field's whole text, however long.
    std::wstring FullFolderText() const;
    void ShowFolderTooLong() const;
    // The box for folder text that names no absolute folder (InstallFolderFromText).
    void ShowFolderUnusable() const;
    // `installFolder` and the folder field become `folder`.
    void SetInstallFolder(const std::wstring& folder);

    // Texts and bar of the installing page.
    void SetStatusText(const wchar_t* text);
    void SetPercentText(const wchar_t* text);
    void SetProgress(int position) { progress.SetPosition(position); }

    HWND Dialog() const { return dialogWindow; }
    CCustomButton& InstallButton() { return installButton; }
    CMyProgress& progressBar() { return progress; }

    std::wstring installFolder;

  private:
    void FitWindow(const RECT* suggested);
    // Fonts A..E at the window's scale, given to their controls; the previous ones go afterwards.
    void ApplyFonts();
    // The dialog template's font at the window's scale, for the template statics that keep it.
    void ApplyTemplateFont();
    // Button strips and progress bar pictures at the window's scale (each change recomposes them).
    void ApplyControlPictures();
    // Every control at its place at the window's scale.
    void PlaceControls();
    void CreateSkinButton(CCustomButton& button, const RECT& rect, int id, int strip);
    HWND CreateCheckBox(const RECT& rect, int id, const wchar_t* text);
    void Show(HWND control, bool show) const;
    void ShowItem(int id, bool show) const;
    void ShowCustomPanel(bool show) const;
    void InvalidatePicture();
    void DescribeAccessible(AccessibleDescription& out) const override;

    HWND dialogWindow = nullptr;
    DpiScale scale;
    UINT templateFontDpi = DpiScale::kDesignDpi;  // the DPI the dialog manager made the template's font for
    radu::UniqueGdiObject templateFont;           // that font rescaled, once the window's DPI changed
    // Page picture `index` (0..4), loaded first if it is not yet; null when it is missing.
    Gdiplus::Image* PagePicture(int index);

    GdiPtr<Gdiplus::Image> pageImages[kPageCount];
    bool pagePending[kPageCount] = {};
    int shownPage = 0;  // the install state whose page shows
    int pageImage = 0;
    int previousImage = -1;  // the picture the slideshow's current banner is revealed over
    Slideshow slides;

    // Fonts A..E and the brush behind the option boxes outlive the controls that use them.
    radu::UniqueGdiObject fontButton;        // the install button's text
    radu::UniqueGdiObject fontLicence;       // the licence box
    radu::UniqueGdiObject fontLabel;         // the folder label and the status text
    radu::UniqueGdiObject fontFolder;        // the folder field
    radu::UniqueGdiObject fontOption;        // the option labels
    radu::UniqueGdiObject optionBackground;  // #2F97D0, the colour of page picture 1 behind the boxes

    CCustomButton installButton;
    CCustomButton closeButton;
    CCustomButton arrowButton;
    CCustomButton browseButton;
    CHyperLink licenceLink;
    CMyProgress progress;
    HWND licenceBox = nullptr;
    CFolderField folderField;
    HWND optionBoxes[3] = {};
    // The standard controls as a screen reader hears them: the licence box, the custom-install text, the
    // option boxes, the folder label, the option labels, the status and percent texts.
    CAccessibleControl describedControls[11];
    AccessibleAnswer pageAccessible{*this};
};

}  // namespace radu::ui

// Fixed numbers of the installer window: dialog template, controls, timer, pictures.
#pragma once

namespace radu::ui {

constexpr int kMainDialogTemplate = 129;
constexpr int kMainIcon = 128;

// Controls. The install button and the folder label share 1005: the label belongs to the dialog
// template and is found first by any lookup by ID; the button is reached through its own object.
constexpr int kIdLicenceLink = 1003;
constexpr int kIdCustomInstallLink = 1004;
constexpr int kIdInstallButton = 1005;
constexpr int kIdFolderLabel = 1005;
constexpr int kIdOptionLabelDesktop = 1006;
constexpr int kIdOptionLabelStartMenu = 1007;
constexpr int kIdOptionLabelAutoStart = 1008;
constexpr int kIdStatusText = 1009;
constexpr int kIdPercentText = 1010;
constexpr int kIdCloseButton = 1106;
constexpr int kIdArrowButton = 1107;
constexpr int kIdLicenceBox = 1108;
constexpr int kIdFolderField = 1109;
constexpr int kIdBrowseButton = 1110;
constexpr int kIdOptionDesktop = 1111;
constexpr int kIdOptionStartMenu = 1112;
constexpr int kIdOptionAutoStart = 1113;
constexpr int kIdProgressBar = 1120;

constexpr unsigned ID_TIMER_SLIDESHOW = 2001;
constexpr unsigned kSlideshowIntervalMs = 80;

// "PNG" resources.
constexpr int kPngStartBanner = 201;
constexpr int kPngCustomBackground = 202;
constexpr int kPngInstallButton = 203;
constexpr int kPngCloseButton = 205;
constexpr int kPngArrowButton = 206;
constexpr int kPngBrowseButton = 207;
constexpr int kPngSlideOne = 208;
constexpr int kPngSlideTwo = 209;
constexpr int kPngProgressTrack = 211;
constexpr int kPngProgressFill = 212;
constexpr int kPngFinishBanner = 215;

}  // namespace radu::ui

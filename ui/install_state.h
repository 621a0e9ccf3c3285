// The installer's pages and phases.
#pragma once

namespace radu::ui {

enum InstallState : int {
    StateWelcome = 0,     // start page: quick install, licence, custom-install link
    StateCustom = 1,      // custom page: install folder and options
    StateInstalling = 2,  // progress page with the banner slideshow
    StateFinished = 3,    // finish page: the install button reads "完成"
};

}  // namespace radu::ui

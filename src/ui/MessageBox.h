#pragma once

#include "FrontEnd.h"

#include <string>

class QWidget;

// The one routine through which every message box of the station is raised: button texts from
// the dictionary in the current language, the station's icon rule and the title "MORA".
class CMessageBox {
public:
    static IFrontEnd::EResult Show(QWidget* parent, const std::string& text,
                                   IFrontEnd::EButtons buttons = IFrontEnd::EButtons::Ok,
                                   IFrontEnd::EIcon icon = IFrontEnd::EIcon::None, int defaultButton = 0);
};

#include "popup/popup_surface.h"

// Windows shows a tool window again and again at the same cost, without taking the focus.
bool preparePopupSurface(QWidget *)
{
    return false;
}

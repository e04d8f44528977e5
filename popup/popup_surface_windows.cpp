#include "popup/popup_surface.h"

PopupPlacement popupPlacement()
{
    return PopupPlacement::WindowManager;
}

// Windows shows a tool window again and again at the same cost, without taking the focus.
void preparePopupSurface(QWidget *) {}

// Nothing waits on a hidden tool window's pixels.
void settlePopupSurface(QWidget *) {}

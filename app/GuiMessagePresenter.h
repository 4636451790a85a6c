#pragma once

#include "Messages.h"

class QWidget;

// Shows the program's messages in a message box captioned "Veltrix Geolynx",
// parented to the active window so it stays on top of the dialog in use.
class CGuiMessagePresenter : public CMessagePresenter
{
public:
    void Show(int id, const std::string& text) override;
};

// The caption of every message box of the program.
inline constexpr const char* kApplicationTitle = "Veltrix Geolynx";

#pragma once

#include "Messages.h"

class QWidget;

// Shows the program's messages in a message box captioned "Veltrix Geolynx",
// parented to the dialog in use so it stays on top of it. Questions get Yes
// and No buttons; No is the default, so Enter or Escape never deletes.
class CGuiMessagePresenter : public CMessagePresenter
{
public:
    void Show(int id, const std::string& text) override;
    bool Ask(int id, const std::string& text) override;
};

// The caption of every message box of the program.
inline constexpr const char* kApplicationTitle = "Veltrix Geolynx";

#pragma once

class QWidget;
struct CCountryImages;

// The selection dialogs as a Select button runs them, for the window and the
// wizard alike: given the current choice, true with the chosen grid (and its
// datum) or datum; false, the choice untouched, when the user cancels or
// chooses no row.
bool ChooseGridInDialog(CCountryImages& images, QWidget* parent, int& gridId, int& datumId);
bool ChooseDatumInDialog(QWidget* parent, int& datumId);

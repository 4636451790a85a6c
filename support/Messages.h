#pragma once

#include <string>

// The numbered texts the program shows its users, one table for the window,
// the command line and the tests.
enum MessageId
{
    IDS_NO_SOURCE_DATUM = 108,
    IDS_NO_DESTINATION_DATUM = 109,

    // --- main window and distance dialog ---
    IDS_CONFIGURATION_OPEN_FAILED = 150,
    IDS_CONFIGURATION_SAVE_FAILED = 151,
    // --- end of main window and distance dialog ---
};

// The text of a message number; empty when the table has none.
std::string LoadMessage(int id);

// Shows a message to the user: a message box in the window, standard error on
// the command line, a recorder in tests.
class CMessagePresenter
{
public:
    virtual ~CMessagePresenter() = default;
    virtual void Show(int id, const std::string& text) = 0;
    // Asks a question with Yes and No; true only for Yes. Without anyone to
    // answer (standard error) the answer is No, the safe one.
    virtual bool Ask(int id, const std::string& text);
};

// The presenter installed by the front end that owns the process; until one
// is installed, messages go to standard error. Passing nullptr restores that.
void SetMessagePresenter(CMessagePresenter* presenter);
CMessagePresenter& MessagePresenter();

// Looks the text up and hands it to the installed presenter.
void ShowMessage(int id);
// Asks the question of a message number (or a text of its own when the
// number has none) through the installed presenter.
bool AskMessage(int id, const std::string& text = std::string());
// Shows a text that carries no number of its own (a database engine's error).
void ShowMessageText(const std::string& text);

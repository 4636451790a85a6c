#include "Messages.h"

#include <atomic>
#include <cstdio>
#include <map>

namespace {

const std::map<int, std::string>& Table()
{
    static const std::map<int, std::string> table = {
        {IDS_NO_SOURCE_DATUM, "You have to select either a source map grid or map datum to perform translations"},
        {IDS_NO_DESTINATION_DATUM,
         "You have to select either a destination map grid or map datum to perform translations"},

        // --- database layer ---

        // --- end of database layer ---

        // --- catalogue ---

        // --- end of catalogue ---

        // --- main window and distance dialog ---
        {IDS_CONFIGURATION_OPEN_FAILED, "Failed to open configuration file, either you have specified an invalid "
                                        "filename, or access is denied."},
        {IDS_CONFIGURATION_SAVE_FAILED, "Failed to save configuration file, either you have specified an invalid "
                                        "filename, or the disk is write protected."},

        // --- end of main window and distance dialog ---

        // --- batch conversion ---
        {184, "You have to select a database table first."},
        {185, "You have to select the source and destination database fields first."},
        {501, "Error during conversion: Failed to open input file."},
        {502, "Error during conversion: Failed to open output file."},
        {504, "Failed to open input file, please check filename and make sure it is accessible."},
        {506, "You did not specify a valid filename."},
        {507, "You cannot specify the same file as source and destination file."},

        // --- end of batch conversion ---

        // --- catalogue management dialogs ---

        // --- end of catalogue management dialogs ---

        // --- command line ---

        // --- end of command line ---
    };
    return table;
}

class CStandardErrorPresenter : public CMessagePresenter
{
public:
    void Show(int /*id*/, const std::string& text) override
    {
        std::fprintf(stderr, "Veltrix Geolynx: %s\n", text.c_str());
    }
};

CStandardErrorPresenter standardError;
std::atomic<CMessagePresenter*> installed{nullptr};

} // namespace

std::string LoadMessage(int id)
{
    const auto& table = Table();
    const auto it = table.find(id);
    return it == table.end() ? std::string() : it->second;
}

void SetMessagePresenter(CMessagePresenter* presenter)
{
    installed.store(presenter);
}

CMessagePresenter& MessagePresenter()
{
    CMessagePresenter* p = installed.load();
    return p != nullptr ? *p : standardError;
}

void ShowMessage(int id)
{
    MessagePresenter().Show(id, LoadMessage(id));
}

void ShowMessageText(const std::string& text)
{
    MessagePresenter().Show(0, text);
}

bool CMessagePresenter::Ask(int id, const std::string& text)
{
    Show(id, text);
    return false;
}

bool AskMessage(int id, const std::string& text)
{
    return MessagePresenter().Ask(id, text.empty() ? LoadMessage(id) : text);
}

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
        {IDS_GRID_FILE_UNUSABLE, "The datum shift grid file %s is missing, empty or damaged. No coordinate is "
                                 "converted with this datum until the file can be read."},
        {IDS_GRID_FILE_REFUSED, "The datum shift grid file %s. No coordinate is converted with this datum until "
                                "the file can be used."},
        {IDS_GEOID_MODEL_UNUSABLE, "Heights above the geoid cannot be converted: %s. No coordinate is converted "
                                   "with this height system until the model can be used."},

        // --- database layer ---

        // --- end of database layer ---

        // --- catalogue ---

        // --- end of catalogue ---

        // --- main window and distance dialog ---
        {IDS_CONFIGURATION_OPEN_FAILED, "Failed to open configuration file, either you have specified an invalid "
                                        "filename, or access is denied."},
        {IDS_CONFIGURATION_SAVE_FAILED, "Failed to save configuration file, either you have specified an invalid "
                                        "filename, or the disk is write protected."},
        {IDS_FIELD_NOT_A_NUMBER, "Invalid field value: %s.\nType a number with a decimal point, or a decimal "
                                 "comma where there is no point. Nothing has been converted."},
        {IDS_POINT_NOT_CONVERTED, "This coordinate cannot be converted: %s."},
        {IDS_MAP_NOT_OPENED, "No web browser could be opened. %s"},
        {IDS_FIELD_REFUSED, "Invalid field value: %s.\nNothing has been converted."},
        {IDS_PASTE_REFUSED, "The clipboard holds no coordinate this side can read: %s.\nThe fields are left as "
                            "they were."},
        {IDS_NOT_A_CONFIGURATION, "This is not a configuration file of Veltrix Geolynx: %s.\nThe window keeps "
                                  "its state."},

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
        {IDS_MISSING_ELLIPSOID_AXIS, "Missing required field: Semi major axis."},
        {IDS_MISSING_ELLIPSOID_FLATTENING, "Missing required field: Inverse flatenning."},
        {IDS_MISSING_NAME, "Missing required field: Name."},
        {IDS_INVALID_ELLIPSOID_AXIS, "Invalid field value: Semi major axis."},
        {IDS_INVALID_ELLIPSOID_FLATTENING, "Invalid field value: Inverse flatenning."},
        {IDS_GRID_NEEDS_DATUM, "You need to specify a geodetic datum for this grid."},
        {IDS_GRID_NEEDS_COUNTRY, "You need to specify a country or region for this grid."},
        {IDS_GRID_NEEDS_NAME, "You need to specify a name for this grid."},
        {IDS_INVALID_GRID_FALSE_NORTHING, "Invalid field value: False Northing."},
        {IDS_INVALID_GRID_FALSE_EASTING, "Invalid field value: False Easting."},
        {IDS_INVALID_GRID_LATITUDE, "Invalid field value: Latitude."},
        {IDS_INVALID_GRID_LONGITUDE, "Invalid field value: Longitude."},
        {IDS_INVALID_GRID_PARALLEL_NORTH, "Invalid field value: Parallel North."},
        {IDS_INVALID_GRID_PARALLEL_SOUTH, "Invalid field value: Parallel South."},
        {IDS_INVALID_GRID_AZIMUTH, "Invalid field value: Azimuth."},
        {IDS_INVALID_GRID_RECTIFIED_ANGLE, "Invalid field value: Rectified Grid Angle."},
        {IDS_INVALID_GRID_SCALE, "Invalid field value: Scalefactor."},
        {IDS_DATUM_NEEDS_ELLIPSOID, "You need to specify a ellipsoid for this datum."},
        {IDS_INVALID_DATUM_TRANSLATION_X, "Invalid field value: Translation X."},
        {IDS_INVALID_DATUM_TRANSLATION_Y, "Invalid field value: Translation Y."},
        {IDS_INVALID_DATUM_TRANSLATION_Z, "Invalid field value: Translation Z."},
        {IDS_INVALID_DATUM_ROTATION_X, "Invalid field value: Rotation X."},
        {IDS_INVALID_DATUM_ROTATION_Y, "Invalid field value: Rotation Y."},
        {IDS_INVALID_DATUM_ROTATION_Z, "Invalid field value: Rotation Z."},
        {IDS_INVALID_DATUM_SCALE, "Invalid field value: Scale Factor."},
        {IDS_REPLACE_GRID_FILE, "A grid file of this name already exists in the Data folder.\nDo you want to replace it?"},
        {IDS_GRID_FILE_COPY_FAILED, "Failed to copy the grid file into the Data folder of the program root."},
        {IDS_ASK_DELETE_ELLIPSOID, "Are you sure you want to delete this ellipsoid ?\nYou cannot undo this action."},
        {IDS_ASK_DELETE_DATUM, "Are you sure you want to delete this datum ?\nYou cannot undo this action."},
        {IDS_ASK_DELETE_GRID, "Are you sure you want to delete this grid ?\nYou cannot undo this action."},
        {IDS_ASK_DELETE_COUNTRY, "Are you sure you want to delete this country ?\nYou cannot undo this action."},
        {IDS_ASK_DELETE_GEOID_MODEL,
         "Are you sure you want to delete this geoid model ?\nYou cannot undo this action. Its grid file is kept."},
        {IDS_COUNTRY_HAS_GRIDS,
         "You cannot delete this country at this moment. Map grids are associated with this country."},
        {IDS_ELLIPSOID_IN_USE, "You cannot delete this ellipsoid: %s it. Delete or change them first."},
        {IDS_DATUM_IN_USE, "You cannot delete this datum: %s it. Delete or change them first."},
        {IDS_NO_ROW_CHOSEN, "No row is selected. Choose one in the list, or press Cancel to keep the current "
                            "choice."},
        {IDS_COUNTRY_NEEDS_NAME, "You did not enter the name of the country. The country name is required."},
        {IDS_COUNTRY_EXISTS, "The country name you are trying to add already exists."},

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

void ShowMessage(int id, const std::string& argument)
{
    std::string text = LoadMessage(id);
    const size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, argument);
    MessagePresenter().Show(id, text);
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

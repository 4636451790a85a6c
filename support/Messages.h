#pragma once

#include <string>

// The numbered texts the program shows its users, one table for the window,
// the command line and the tests.
enum MessageId
{
    IDS_NO_SOURCE_DATUM = 108,
    IDS_NO_DESTINATION_DATUM = 109,
    // A datum's shift grid file that cannot be read: %s is the file.
    IDS_GRID_FILE_UNUSABLE = 112,
    // A datum's shift grid file its reader refuses: %s is the file and why.
    IDS_GRID_FILE_REFUSED = 114,
    // A geoid model that cannot be used: %s says which and why.
    IDS_GEOID_MODEL_UNUSABLE = 113,

    // --- main window and distance dialog ---
    IDS_CONFIGURATION_OPEN_FAILED = 150,
    IDS_CONFIGURATION_SAVE_FAILED = 151,
    // The texts below carry one "%s" the caller fills in.
    IDS_FIELD_NOT_A_NUMBER = 152,
    IDS_POINT_NOT_CONVERTED = 153,
    IDS_MAP_NOT_OPENED = 154,
    IDS_NOT_A_CONFIGURATION = 155,
    IDS_FIELD_REFUSED = 156,
    IDS_PASTE_REFUSED = 157,
    // --- end of main window and distance dialog ---

    // --- catalogue management dialogs ---
    IDS_MISSING_ELLIPSOID_AXIS = 134,
    IDS_MISSING_ELLIPSOID_FLATTENING = 135,
    IDS_MISSING_NAME = 137,
    IDS_INVALID_ELLIPSOID_AXIS = 138,
    IDS_INVALID_ELLIPSOID_FLATTENING = 139,
    IDS_GRID_NEEDS_DATUM = 170,
    IDS_GRID_NEEDS_COUNTRY = 171,
    IDS_GRID_NEEDS_NAME = 172,
    IDS_INVALID_GRID_FALSE_NORTHING = 173,
    IDS_INVALID_GRID_FALSE_EASTING = 174,
    IDS_INVALID_GRID_LATITUDE = 175,
    IDS_INVALID_GRID_LONGITUDE = 176,
    IDS_INVALID_GRID_PARALLEL_NORTH = 177,
    IDS_INVALID_GRID_PARALLEL_SOUTH = 178,
    IDS_INVALID_GRID_AZIMUTH = 179,
    IDS_INVALID_GRID_RECTIFIED_ANGLE = 180,
    IDS_INVALID_GRID_SCALE = 181,
    IDS_DATUM_NEEDS_ELLIPSOID = 183,
    IDS_INVALID_DATUM_TRANSLATION_X = 190,
    IDS_INVALID_DATUM_TRANSLATION_Y = 191,
    IDS_INVALID_DATUM_TRANSLATION_Z = 192,
    IDS_INVALID_DATUM_ROTATION_X = 193,
    IDS_INVALID_DATUM_ROTATION_Y = 194,
    IDS_INVALID_DATUM_ROTATION_Z = 195,
    IDS_INVALID_DATUM_SCALE = 196,
    IDS_REPLACE_GRID_FILE = 197,
    IDS_GRID_FILE_COPY_FAILED = 198,
    IDS_ASK_DELETE_ELLIPSOID = 300,
    IDS_ASK_DELETE_DATUM = 301,
    IDS_ASK_DELETE_GRID = 302,
    IDS_ASK_DELETE_COUNTRY = 304,
    IDS_COUNTRY_HAS_GRIDS = 305,
    // How many rows use the one to delete: %s is the count and what they are.
    IDS_ELLIPSOID_IN_USE = 306,
    IDS_DATUM_IN_USE = 307,
    IDS_NO_ROW_CHOSEN = 308,
    IDS_ASK_DELETE_GEOID_MODEL = 309,
    IDS_COUNTRY_NEEDS_NAME = 400,
    IDS_COUNTRY_EXISTS = 402,
    // --- end of catalogue management dialogs ---
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
// The same with the message's one "%s" replaced by argument.
void ShowMessage(int id, const std::string& argument);
// Shows a text that carries no number of its own (a database engine's error).
void ShowMessageText(const std::string& text);

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "CoordinateFormat.h"

enum class ConfigurationLoadResult
{
    Loaded,     // the record holds the file's first 72 bytes
    CannotOpen, // missing, unreadable, or not a regular file: the window says so (message 150)
    TooShort,   // fewer than 72 bytes: ignored without a message
};

// The whole state of the main window as a configuration file holds it: one
// 72-byte record, no header, int32 and binary64 fields, little-endian, in the
// order below. Coordinates are the numbers the window reads from its rows, so
// a geographic side stores degrees whatever its mode and a grid side stores
// its grid's unit.
struct ConfigurationRecord
{
    static constexpr std::size_t Size = 72;

    std::int32_t sourceDatumId = 0;
    std::int32_t destinationDatumId = 0;
    std::int32_t sourceGridId = 0;
    std::int32_t destinationGridId = 0;
    std::int32_t sourceDisplayMode = 0;
    std::int32_t destinationDisplayMode = 0;
    double sourceLatitude = 0;
    double sourceLongitude = 0;
    double sourceAltitude = 0;
    double destinationLatitude = 0;
    double destinationLongitude = 0;
    double destinationAltitude = 0;

    std::array<unsigned char, Size> ToBytes() const;
    // Reads the first 72 bytes; nothing when fewer arrive.
    static std::optional<ConfigurationRecord> FromBytes(const unsigned char* data, std::size_t size);

    // Writes the record to a temporary file beside path and renames it over
    // path, so an interrupted save never leaves a truncated file. False when
    // any step fails; path is then untouched.
    bool Save(const std::string& path) const;
    // Reads path into this record; on anything but Loaded the record is unchanged.
    ConfigurationLoadResult Load(const std::string& path);
};

// The record of the window's two sides: coordinates and altitudes read under
// each side's form (hemisphere letters are upper-cased as a read does).
ConfigurationRecord CaptureConfiguration(CoordinateSide& source, CoordinateSide& destination);

// Puts a record into the two sides: modes, grid ids and datum ids first, then
// each side's rows written under its new form and its altitude as "%05.2lf".
// No field is checked: an id the catalogue does not hold or a mode outside 1
// to 3 is kept as it stands.
void ApplyConfiguration(const ConfigurationRecord& record, CoordinateSide& source, CoordinateSide& destination);

// Writes a temporary file beside path and renames it over path.
bool ReplaceFile(const std::string& path, const unsigned char* data, std::size_t size);

// The height system of each side, as the first version kept it beside the
// configuration: the identifier of a geoid model, 0 for heights above the
// ellipsoid. The window now keeps SideChoices in the same file, whose reader
// reads this one too.
struct HeightSystems
{
    static constexpr const char* kHeader = "Geolynx heights 1";

    std::int32_t source = 0;
    std::int32_t destination = 0;

    // "current.glx" keeps its heights in "current.glx.heights".
    static std::string PathBeside(const std::string& configuration);
    // Replaces the file beside the configuration as ConfigurationRecord::Save does.
    bool Save(const std::string& configuration) const;
    // Both sides above the ellipsoid, then the file's identifiers. A
    // configuration without the file (saved before heights were kept) is
    // ellipsoidal: true. False, with both sides ellipsoidal, when the file
    // cannot be read or is not one this program wrote.
    bool Load(const std::string& configuration);
};

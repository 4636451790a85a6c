#pragma once

#include <cstdint>
#include <string>

// What each side of the window keeps beside a configuration, which its
// 72-byte record has no room for: the height system (a geoid model's
// identifier, 0 for heights above the ellipsoid) and a reference form's
// precision and UTM zone. One small text file, a key per line:
//
//   Geolynx side choices 1
//   source height 5773
//   source precision 10
//   source zone 0
//   destination height 0
//   destination precision 100
//   destination zone 30
//
// A file of the first version ("Geolynx heights 1", heights only) is read
// too: its references are at 1 m, their zone taken from the point.
struct SideChoices
{
    static constexpr const char* kHeader = "Geolynx side choices 1";

    struct Side
    {
        std::int32_t height = 0;
        // Metres of a reference's square, 1 to 100000 by powers of ten.
        std::int32_t precision = 1;
        // A UTM reference's zone: 0 takes it from the point, else 1 to 60.
        std::int32_t zone = 0;
    };
    Side source;
    Side destination;

    // "current.glx" keeps its choices in "current.glx.heights", the name the
    // first version gave the file.
    static std::string PathBeside(const std::string& configuration);
    // Replaces the file beside the configuration as ConfigurationRecord::Save does.
    bool Save(const std::string& configuration) const;
    // The defaults, then the file's choices. A configuration without the
    // file (saved before choices were kept) keeps the defaults: true. False,
    // with the defaults, when the file is not a regular file, cannot be read
    // or is not exactly what Save (or the first version) writes.
    bool Load(const std::string& configuration);
};

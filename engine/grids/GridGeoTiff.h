#pragma once

#include <string>
#include <vector>

#include "DatumGrid.h"
#include "GeoidGrid.h"

// One full-resolution image of a GeoTIFF grid file read with libtiff: every
// sample (band) of every node as a number, its scale and offset applied, no
// data as not-a-number. Nodes are in file order: rows from the north, each
// row from the west. Positions are of the nodes themselves, whether the file
// georeferences pixel areas or pixel centres.
struct CGeoTiffImage
{
    double west = 0;  // longitude of the first column's nodes, degrees
    double north = 0; // latitude of the first row's nodes
    double lonInc = 0;
    double latInc = 0;
    int cols = 0;
    int rows = 0;
    int samples = 0;
    // values[(sample * rows + row) * cols + col]
    std::vector<float> values;
    // What each sample holds, from the GDAL metadata ("geoid_undulation",
    // "latitude_offset", ...); empty where the file says nothing.
    std::vector<std::string> descriptions;
    // Units of each sample from the GDAL metadata ("metre", "arc-second").
    std::vector<std::string> units;
    // The direction a sample's positive values point ("east", "west"), where
    // the metadata says.
    std::vector<std::string> positive;
    // The image's interpolation_method metadata item ("biquadratic"), as the
    // file spells it; empty where it says nothing.
    std::string interpolation;

    float At(int sample, int row, int col) const
    {
        return values[(static_cast<size_t>(sample) * static_cast<size_t>(rows) + static_cast<size_t>(row)) *
                          static_cast<size_t>(cols) +
                      static_cast<size_t>(col)];
    }
};

// Reads every full-resolution image of a GeoTIFF grid (reduced-resolution
// copies and masks are passed over): float32 or 16/32-bit integer samples,
// striped or tiled, uncompressed, LZW or DEFLATE with or without a
// predictor, geographic coordinates given by a tie point and pixel scale.
// False, with why set, for anything else or anything inconsistent; nothing
// larger than the file could hold is allocated.
bool ReadGeoTiffImages(const std::string& path, std::vector<CGeoTiffImage>& images, std::string& why);

// The images of a geoid model: the first sample of each, rows from the south,
// interpolated biquadratically where the file's interpolation_method says so,
// bilinearly otherwise. False, with why set, when the file cannot be read or
// asks for another interpolation.
bool ReadGeoTiffGeoidImages(const std::string& path, std::vector<CGeoidGrid::Image>& images, std::string& why);

// The images of a horizontal shift grid as datum grid blocks in NTv2's
// convention: latitude and longitude offsets in arc seconds, found by their
// sample descriptions; a node without a value is kept as not-a-number in
// both offsets. Blocks interpolate biquadratically where the file's
// interpolation_method says so, bilinearly otherwise. False, with why set,
// when the offsets cannot be told apart or are not in arc seconds, or the
// file asks for another interpolation.
bool ReadGeoTiffShiftBlocks(const std::string& path, CDatumGrid::SubGridList& blocks, std::string& why);

#pragma once

#include <string>
#include <vector>

// A geoid model's grid: the geoid's height above the ellipsoid (N, metres) at
// regularly spaced nodes, in one or more rectangular images. Angles are
// decimal degrees, longitudes east positive; rows run from the south.
class CGeoidGrid
{
public:
    // How heights between the nodes are found: bilinearly from the four
    // nodes of the point's cell (as vgridshift does), or biquadratically from
    // the 3 x 3 nodes nearest the point, as NOAA defines its models.
    enum Interpolation
    {
        BILINEAR,
        BIQUADRATIC,
    };

    struct Image
    {
        double west = 0;  // longitude of the first column's nodes
        double south = 0; // latitude of the first row's nodes
        double lonInc = 0;
        double latInc = 0;
        int cols = 0;
        int rows = 0;
        // Nodes without a value hold not-a-number.
        std::vector<float> values;
        Interpolation interpolation = BILINEAR;

        double East() const { return west + (cols - 1) * lonInc; }
        double North() const { return south + (rows - 1) * latInc; }
        // A grid whose columns go once round the globe: a point east of the
        // last column is interpolated with the first.
        bool WrapsLongitude() const { return cols * lonInc >= 360 - 1e-9; }
        float At(int row, int col) const
        {
            return values[static_cast<size_t>(row) * static_cast<size_t>(cols) + static_cast<size_t>(col)];
        }
    };

    enum Lookup
    {
        LOOKUP_DONE = 0,
        LOOKUP_OUTSIDE = 1, // no image covers the point
        LOOKUP_NO_DATA = 2, // a node that carries weight at the point has no value
    };

    CGeoidGrid() = default;
    CGeoidGrid(const CGeoidGrid&) = delete;
    CGeoidGrid& operator=(const CGeoidGrid&) = delete;
    virtual ~CGeoidGrid() = default;

    // The reader is chosen by the name: ".gtx" NOAA's GTX (always bilinear:
    // the format says nothing of its interpolation), ".tif"/".tiff" GeoTIFF
    // (either case; the interpolation its metadata names). 0 on success; -1
    // with the grid left as it was and, where the reader can tell, why set.
    int LoadFile(const std::string& path, std::string* why = nullptr);
    // Checks and takes the images a reader made: false, with the grid left
    // as it was, when one has no nodes, a spacing that is not positive, a
    // value count that does not match its lattice, edges not finite, or
    // biquadratic interpolation with fewer than three rows or columns.
    bool Replace(std::vector<Image> images);

    // N at a point, interpolated in the finest image covering it as the
    // image says (bilinear or biquadratic). Outside every image, or with a
    // node that carries weight without a value, n is left alone.
    Lookup Height(double longitude, double latitude, double& n) const;

    // Asks the processor to start reading the nodes Height will need at a
    // point, so that a caller that knows its next points early does not wait
    // for memory on each; changes nothing.
    void Prefetch(double longitude, double latitude) const;

    const std::vector<Image>& Images() const { return images; }
    bool Empty() const { return images.empty(); }

private:
    static bool Usable(const Image& image);
    static bool Position(const Image& image, double longitude, double latitude, double& x, double& y);
    static Lookup Interpolate(const Image& image, double x, double y, double& n);
    static Lookup InterpolateBiquadratic(const Image& image, double x, double y, double& n);

    std::vector<Image> images;
};

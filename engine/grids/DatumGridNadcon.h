#pragma once

#include <cstdio>
#include <string>

#include "DatumGrid.h"

class CGridFile;

// Reads a NADCON file pair (latitude shifts in ".las", longitude shifts in
// ".los", little-endian as NADCON writes them) into a CDatumGrid as one block.
// Both files must carry the same positive lattice size and be long enough
// for every record it implies.
class CDatumGridNadcon
{
public:
    explicit CDatumGridNadcon(CDatumGrid& target);
    CDatumGridNadcon(const CDatumGridNadcon&) = delete;
    CDatumGridNadcon& operator=(const CDatumGridNadcon&) = delete;
    virtual ~CDatumGridNadcon() = default;

    // Either name of the pair opens both files. 0 with the target's blocks
    // replaced and its kind set to NADCON; -1 with the target untouched and
    // Why() saying what is wrong with the pair (empty when a file of it cannot
    // be opened).
    int Read(const std::string& path);
    int Read(std::FILE* latitudeStream, std::FILE* longitudeStream);
    const std::string& Why() const { return why; }

    // The two names of the pair a path belongs to (lower- or upper-case
    // extension); a path naming neither file is used unchanged for both.
    static std::string LatitudeFileName(const std::string& path);
    static std::string LongitudeFileName(const std::string& path);

private:
    int Read(CGridFile& latitudeFile, CGridFile& longitudeFile);
    int Refuse(const std::string& reason);

    CDatumGrid& grid;
    std::string why;
};

#pragma once

#include <cstdio>
#include <string>

#include "DatumGrid.h"

class CGridFile;

// Reads an NTv2 grid shift file into a CDatumGrid. The file is believed only
// as far as it is whole and consistent: every label where NTv2 puts it,
// shifts in arc seconds, a lattice that the node records cover and a file
// long enough for them. Files written on big-endian machines are recognised
// by their record count and read too.
class CDatumGridNTv2
{
public:
    explicit CDatumGridNTv2(CDatumGrid& target);
    CDatumGridNTv2(const CDatumGridNTv2&) = delete;
    CDatumGridNTv2& operator=(const CDatumGridNTv2&) = delete;
    virtual ~CDatumGridNTv2() = default;

    // 0 with the target's blocks replaced and its kind set to NTv2; -1 with
    // the target untouched and Why() saying what is wrong with the file (empty
    // when it cannot be opened).
    int Read(const std::string& path);
    int Read(std::FILE* stream);
    const std::string& Why() const { return why; }

private:
    int Read(CGridFile& file);
    bool ReadRecord(CGridFile& file, const char* label, unsigned char value[8]);
    bool ReadInteger(CGridFile& file, const char* label, int32_t& value);
    bool ReadDouble(CGridFile& file, const char* label, double& value);
    bool ReadText(CGridFile& file, const char* label, std::string& value);
    bool ReadSubGrid(CGridFile& file, CDatumSubGrid& block, int index);
    int Refuse(const std::string& reason);
    bool RefuseBlock(const std::string& reason);

    CDatumGrid& grid;
    int subGridCount = 0;
    bool bigEndian = false;
    std::string why;
};

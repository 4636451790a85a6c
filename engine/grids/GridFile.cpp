#include "GridFile.h"

#include <sys/stat.h>

CGridFile::CGridFile(const std::string& path) : file(std::fopen(path.c_str(), "rb")), owned(true)
{
    // A directory opens too, but its size says nothing about its contents.
    struct stat info;
    if (file && (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)))
        return;
    MeasureSize();
}

CGridFile::CGridFile(std::FILE* stream) : file(stream)
{
    MeasureSize();
}

CGridFile::~CGridFile()
{
    if (owned && file)
        std::fclose(file);
}

void CGridFile::MeasureSize()
{
    if (!file)
        return;
    if (std::fseek(file, 0, SEEK_END) != 0)
        return;
    const long end = std::ftell(file);
    if (end < 0 || std::fseek(file, 0, SEEK_SET) != 0)
        return;
    size = end;
    position = 0;
}

bool CGridFile::Seek(int64_t offset)
{
    if (!IsOpen() || offset < 0 || offset > size)
        return false;
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
        return false;
    position = offset;
    return true;
}

bool CGridFile::Read(void* buffer, size_t count)
{
    if (!IsOpen() || static_cast<uint64_t>(Remaining()) < count)
        return false;
    const size_t got = std::fread(buffer, 1, count, file);
    position += static_cast<int64_t>(got);
    return got == count;
}

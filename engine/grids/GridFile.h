#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// A grid file opened for reading whose real size is known before anything is
// read, so that no header field is believed beyond what the file holds.
class CGridFile
{
public:
    // Opens path ("rb"); IsOpen tells whether it worked.
    explicit CGridFile(const std::string& path);
    // Reads from a stream the caller opened and keeps owning.
    explicit CGridFile(std::FILE* stream);
    CGridFile(const CGridFile&) = delete;
    CGridFile& operator=(const CGridFile&) = delete;
    virtual ~CGridFile();

    bool IsOpen() const { return file != nullptr && size >= 0; }
    int64_t Size() const { return size; }
    int64_t Position() const { return position; }
    int64_t Remaining() const { return size - position; }
    bool Seek(int64_t offset);
    // All of count bytes or false.
    bool Read(void* buffer, size_t count);

private:
    void MeasureSize();

    std::FILE* file = nullptr;
    bool owned = false;
    int64_t size = -1;
    int64_t position = 0;
};

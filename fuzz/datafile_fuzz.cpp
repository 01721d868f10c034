// The data-file front end over arbitrary bytes, starting in the text syntax;
// "__bin;" in the input switches to the binary one.

#include "fuzz/datafile_walk.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzDataFile::parse_all(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}

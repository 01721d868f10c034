// The data-file front end switched to the binary syntax at once, so that the
// fuzzer spends its work on binary statements, definitions and enums.

#include "fuzz/datafile_walk.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text = "__bin;\n";
    text.append(reinterpret_cast<const char*>(data), size);
    FuzzDataFile::parse_all(text);
    return 0;
}

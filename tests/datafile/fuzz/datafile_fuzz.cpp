// Feeds arbitrary bytes through the data-file front end, reading every value
// of every statement as every type, and through the configuration loader.
// Only the library's own exceptions may come out; anything else, a crash, a
// hang or a leak is a finding.

#include "client/config.h"
#include "libs/core/source/core/except.h"
#include "libs/datafile/source/parser.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

namespace {

template <typename T>
void try_get(const Kel::DataFile::Value& value)
{
    try {
        value.get<T>();
    } catch (const Kel::Exception&) {
    }
}

void read_values(const Kel::DataFile::Statement& st)
{
    for (const Kel::DataFile::Value& value : st.args) {
        try_get<const std::string&>(value);
        try_get<bool>(value);
        try_get<long long>(value);
        try_get<int>(value);
        try_get<unsigned int>(value);
        try_get<float>(value);
    }
    for (const Kel::DataFile::Statement& sub : st.sub)
        read_values(sub);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    {
        std::istringstream stream(input);
        Kel::DataFile::Parser parser(stream, "fuzz");
        try {
            while (parser)
                read_values(parser.parse());
        } catch (const Kel::Exception&) {
        }
    }

    {
        std::istringstream stream(input);
        Kel::DataFile::Parser parser(stream, "fuzz");
        Config config("unused");
        Config::Loader loader(config);
        try {
            loader.load(parser);
        } catch (const Kel::Exception&) {
        }
    }
    return 0;
}

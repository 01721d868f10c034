#ifndef PARLANE_TESTS_CLIENT_TEMPDIR_H
#define PARLANE_TESTS_CLIENT_TEMPDIR_H

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <stdlib.h>
#include <string>

// A fresh folder below /tmp, removed with everything in it at the end of the scope.
struct TempDir
{
    TempDir()
    {
        char name[] = "/tmp/parlane-test-XXXXXX";
        if (!::mkdtemp(name))
            throw std::runtime_error("mkdtemp failed");
        path = name;
    }
    ~TempDir() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }

    std::string file(const std::string& name) const { return (path / name).string(); }

    std::filesystem::path path;
};

inline std::string read_file(const std::filesystem::path& name)
{
    std::ifstream in(name, std::ios_base::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const std::filesystem::path& name, const std::string& content)
{
    std::ofstream(name, std::ios_base::binary) << content;
}

#endif

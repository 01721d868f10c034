#ifndef KEL_DATAFILE_TOKEN_H
#define KEL_DATAFILE_TOKEN_H

#include <string>

namespace Kel
{
namespace DataFile
{

// One token of the text syntax. Numbers keep their written form; a string
// holds its decoded characters; "{", "}" and ";" are SPECIAL. The SPECIAL
// token with empty text marks the end of the input.
struct Token
{
    enum Type
    {
        INTEGER = 0,
        FLOAT = 1,
        STRING = 2,
        IDENTIFIER = 3,
        SPECIAL = 4
    };

    Token();
    Token(Type type, std::string str);

    bool is_end() const { return type == SPECIAL && str.empty(); }
    bool is_special(char c) const { return type == SPECIAL && str.size() == 1 && str[0] == c; }

    Type type;
    std::string str;
};

} // namespace DataFile
} // namespace Kel

#endif

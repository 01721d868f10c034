#include "libs/datafile/source/token.h"

namespace Kel {
namespace DataFile {

Token::Token():
    type(SPECIAL)
{ }

Token::Token(Type type, const std::string& str):
    type(type),
    str(str)
{ }

} // namespace DataFile
} // namespace Kel

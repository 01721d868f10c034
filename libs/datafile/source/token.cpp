#include "libs/datafile/source/token.h"

#include <utility>

namespace Kel
{
namespace DataFile
{

Token::Token(): type(SPECIAL) { }

Token::Token(Type type, std::string str): type(type), str(std::move(str)) { }

} // namespace DataFile
} // namespace Kel

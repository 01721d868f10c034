#include "libs/datafile/source/parser.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/binaryparser.h"
#include "libs/datafile/source/textparser.h"

namespace Kel
{
namespace DataFile
{

Parser::Parser(std::istream& in, const std::string& src):
    in(in), src(src), good(true), mode(new TextParser(this->in, src))
{
}

Parser::~Parser()
{
    delete mode;
}

Statement Parser::parse()
{
    if (!good)
        throw Exception("Parser is not good");

    try
    {
        for (;;)
        {
            Statement st = mode->parse();
            ParserMode* next;
            if (st.keyword.size() < 2 || st.keyword[0] != '_' || st.keyword[1] != '_')
                return st;
            if (st.keyword == "__bin")
                next = new BinaryParser(in, src);
            else if (st.keyword == "__text")
                next = new TextParser(in, src);
            else
                return st;
            delete mode;
            mode = next;
        }
    }
    catch (...)
    {
        good = false;
        throw;
    }
}

} // namespace DataFile
} // namespace Kel

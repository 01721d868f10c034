#include "libs/datafile/source/textparser.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/except.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/utils.h"

#include <utility>

namespace Kel
{
namespace DataFile
{

namespace
{

// Character classes of the C locale, whatever locale the program runs in.
bool is_space(int c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool is_digit(int c)
{
    return c >= '0' && c <= '9';
}

bool is_alpha(int c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Room for a few arguments at once, rather than growing one by one.
void add_value(Statement& st, Type type, std::string&& text)
{
    if (st.args.empty())
        st.args.reserve(4);
    st.args.emplace_back(type, std::move(text));
}

void add_value(Statement& st, Type type, const char* text)
{
    if (st.args.empty())
        st.args.reserve(4);
    st.args.emplace_back(type, text);
}

} // namespace

TextParser::TextParser(Input& in, const std::string& src): ParserMode(in, src), depth(0) { }

TextParser::~TextParser() = default;

Statement TextParser::parse()
{
    depth = 0;
    return parse_statement(nullptr);
}

Statement TextParser::parse_statement(const Token* first)
{
    Statement st;
    bool in_block = false;
    bool block_closed = false;

    for (;;)
    {
        Token token;
        if (first)
        {
            token = *first;
            first = nullptr;
        }
        else
        {
            token = parse_token();
        }

        if (!st.valid)
        {
            if (token.is_end())
                return st;
            if (token.type != Token::IDENTIFIER)
                throw ParseError(format("%s: Syntax error at token '%s' (expected an identifier)",
                                     get_location(), token.str),
                    src, in.get_line_number());
            st.keyword = std::move(token.str);
            st.valid = true;
            st.source = src;
            st.line = in.get_line_number();
            continue;
        }

        if (token.is_end())
            end_error();

        if (in_block)
        {
            if (token.is_special('}'))
            {
                in_block = false;
                block_closed = true;
                --depth;
            }
            else
            {
                st.sub.push_back(parse_statement(&token));
            }
        }
        else if (block_closed)
        {
            if (!token.is_special(';'))
                throw ParseError(
                    format("%s: Syntax error at token '%s' (Expected a ';')", get_location(), token.str), src,
                    in.get_line_number());
            return st;
        }
        else
        {
            switch (token.type)
            {
            case Token::SPECIAL:
                if (token.is_special(';'))
                    return st;
                if (token.is_special('{'))
                {
                    if (++depth > MAX_DEPTH)
                        throw ParseError(
                            get_location() + ": Blocks nested too deeply", src, in.get_line_number());
                    in_block = true;
                    break;
                }
                throw ParseError(get_location() + ": Syntax error", src, in.get_line_number());
            case Token::INTEGER:
                add_value(st, DataFile::INTEGER, std::move(token.str));
                break;
            case Token::FLOAT:
                add_value(st, DataFile::FLOAT, std::move(token.str));
                break;
            case Token::STRING:
                add_value(st, DataFile::STRING, std::move(token.str));
                break;
            case Token::IDENTIFIER:
                if (token.str == "true")
                    add_value(st, DataFile::BOOLEAN, "1");
                else if (token.str == "false")
                    add_value(st, DataFile::BOOLEAN, "0");
                else
                    add_value(st, DataFile::ENUM, std::move(token.str));
                break;
            }
        }
    }
}

Token TextParser::parse_token()
{
    // Skip white space and comments. Inside a comment only its own closer
    // counts: "*/" for a block comment, a line feed for a line comment.
    enum
    {
        NO_COMMENT,
        LINE_COMMENT,
        BLOCK_COMMENT
    } comment
        = NO_COMMENT;
    int c;
    for (;;)
    {
        c = in.get();
        if (c < 0)
        {
            if (comment != NO_COMMENT)
                throw ParseError(src + ": Unfinished comment at end of input", src, in.get_line_number());
            return Token();
        }
        if (comment == LINE_COMMENT)
        {
            if (c == '\n')
                comment = NO_COMMENT;
        }
        else if (comment == BLOCK_COMMENT)
        {
            if (c == '*' && in.peek() == '/')
            {
                in.get();
                comment = NO_COMMENT;
            }
        }
        else if (c == '/' && in.peek() == '/')
        {
            in.get();
            comment = LINE_COMMENT;
        }
        else if (c == '/' && in.peek() == '*')
        {
            in.get();
            comment = BLOCK_COMMENT;
        }
        else if (!is_space(c))
        {
            break;
        }
    }

    // Token type for each final state, in the order of ParseState.
    static const Token::Type token_type[] = { Token::SPECIAL, Token::SPECIAL, Token::SPECIAL, Token::SPECIAL,
        Token::SPECIAL, Token::SPECIAL, Token::INTEGER, Token::INTEGER, Token::INTEGER, Token::INTEGER,
        Token::FLOAT, Token::FLOAT, Token::IDENTIFIER };

    int state = INIT;
    bool escape = false;
    std::string text;
    for (;;)
    {
        text += static_cast<char>(c);
        int n = in.peek();

        switch (state)
        {
        case INIT:
            if (c == '0')
                state = ZERO;
            else if (c == '-' || c == '+')
                state = SIGN;
            else if (c == '.')
                state = FLOAT;
            else if (c == '"')
                state = STRING;
            else if (c == '{' || c == '}' || c == ';')
                return Token(Token::SPECIAL, std::move(text));
            else if (is_digit(c))
                state = DECIMAL;
            else if (is_alpha(c) || c == '_')
                state = IDENTIFIER;
            else
                parse_error(c, state);
            break;
        case SIGN:
            if (c == '0')
                state = ZERO;
            else if (is_digit(c))
                state = DECIMAL;
            else if (c == '.')
                state = FLOAT;
            else
                parse_error(c, state);
            break;
        case ZERO:
            if (c == 'x')
                state = HEXADECIMAL;
            else if (is_digit(c))
                state = OCTAL;
            else if (c == '.')
                state = FLOAT;
            else
                parse_error(c, state);
            break;
        case DECIMAL:
            if (c == '.')
                state = FLOAT;
            else if (!is_digit(c))
                parse_error(c, state);
            break;
        case HEXADECIMAL:
            if (hex_digit_value(static_cast<char>(c)) < 0)
                parse_error(c, state);
            break;
        case OCTAL:
            if (!isodigit(c))
                parse_error(c, state);
            break;
        case FLOAT:
            if (c == 'e' || c == 'E')
                state = FLOATEXPINIT;
            else if (!is_digit(c))
                parse_error(c, state);
            break;
        case FLOATEXPINIT:
            if (c == '+' || c == '-')
                state = FLOATEXPSIGN;
            else if (is_digit(c))
                state = FLOATEXP;
            else
                parse_error(c, state);
            break;
        case FLOATEXPSIGN:
        case FLOATEXP:
            if (is_digit(c))
                state = FLOATEXP;
            else
                parse_error(c, state);
            break;
        case IDENTIFIER:
            if (!is_alpha(c) && !is_digit(c) && c != '_')
                parse_error(c, state);
            break;
        case STRING:
            if (c == '\\')
                escape = !escape;
            else if (c == '"' && !escape)
                return finish_string(text);
            else
                escape = false;
            break;
        default:
            throw Exception(get_location() + ": Internal error (bad state)");
        }

        if (state >= ZERO && is_delimiter(n))
            return Token(token_type[state], std::move(text));

        c = in.get();
        if (c < 0)
            end_error();
    }
}

// text holds the string with both its quotes.
Token TextParser::finish_string(const std::string& text)
{
    try
    {
        return Token(Token::STRING, c_unescape(text.substr(1, text.size() - 2)));
    }
    catch (const Exception& e)
    {
        throw ParseError(format("%s: %s", get_location(), e.what()), src, in.get_line_number());
    }
}

// The end of the input ends a number or a word as well.
bool TextParser::is_delimiter(int c)
{
    return c < 0 || is_space(c) || c == '{' || c == '}' || c == ';' || c == '/';
}

bool TextParser::isodigit(int c)
{
    return c >= '0' && c <= '7';
}

std::string TextParser::get_location() const
{
    return format("%s:%d", src, in.get_line_number());
}

void TextParser::parse_error(int c, int state)
{
    throw ParseError(
        format("%s: Parse error at '%c' (state %d)", get_location(), static_cast<char>(c), state), src,
        in.get_line_number());
}

void TextParser::end_error()
{
    throw ParseError(src + ": Unexcepted end of input", src, in.get_line_number());
}

} // namespace DataFile
} // namespace Kel

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
    Token token = first ? *first : parse_token();
    if (token.is_end())
        return st;
    if (token.type != Token::IDENTIFIER)
        throw ParseError(
            format("%s: Syntax error at token '%s' (expected an identifier)", get_location(), token.str), src,
            in.get_line_number());
    st.keyword = std::move(token.str);
    st.valid = true;
    st.source = src;
    st.line = in.get_line_number();

    for (;;)
    {
        token = parse_inner_token();
        if (token.is_special(';'))
            return st;
        if (token.is_special('{'))
        {
            parse_block(st);
            return st;
        }
        if (token.type == Token::SPECIAL)
            throw ParseError(get_location() + ": Syntax error", src, in.get_line_number());
        add_argument(st, std::move(token));
    }
}

// The "{" is read; reads the statements up to the "}" and the ";" after it.
void TextParser::parse_block(Statement& st)
{
    if (++depth > MAX_DEPTH)
        throw ParseError(get_location() + ": Blocks nested too deeply", src, in.get_line_number());
    for (Token token = parse_inner_token(); !token.is_special('}'); token = parse_inner_token())
        st.sub.push_back(parse_statement(&token));
    --depth;

    Token token = parse_inner_token();
    if (!token.is_special(';'))
        throw ParseError(format("%s: Syntax error at token '%s' (Expected a ';')", get_location(), token.str),
            src, in.get_line_number());
}

// The bare words true and false are booleans; other words are enum values.
void TextParser::add_argument(Statement& st, Token&& token)
{
    switch (token.type)
    {
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
    case Token::SPECIAL:
        break;
    }
}

// Inside a statement the end of the input is an error.
Token TextParser::parse_inner_token()
{
    Token token = parse_token();
    if (token.is_end())
        end_error();
    return token;
}

Token TextParser::parse_token()
{
    int c = skip_blanks();
    if (c < 0)
        return Token();
    if (c == '{' || c == '}' || c == ';')
        return Token(Token::SPECIAL, std::string(1, static_cast<char>(c)));
    if (c == '"')
        return parse_string();
    return parse_word(c);
}

// Skips white space and comments and returns the first other character, or
// -1 at the end of the input. Inside a comment only its own closer counts:
// "*/" for a block comment, a line feed for a line comment.
int TextParser::skip_blanks()
{
    enum
    {
        NO_COMMENT,
        LINE_COMMENT,
        BLOCK_COMMENT
    } comment
        = NO_COMMENT;
    for (;;)
    {
        int c = in.get();
        if (c < 0)
        {
            if (comment != NO_COMMENT)
                throw ParseError(src + ": Unfinished comment at end of input", src, in.get_line_number());
            return c;
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
        else if (c == '/' && (in.peek() == '/' || in.peek() == '*'))
        {
            comment = in.get() == '/' ? LINE_COMMENT : BLOCK_COMMENT;
        }
        else if (!is_space(c))
        {
            return c;
        }
    }
}

// The opening quote is read; reads up to the closing one. A backslash
// escapes the character after it, so \" does not close the string.
Token TextParser::parse_string()
{
    std::string text = "\"";
    bool escape = false;
    for (;;)
    {
        int c = in.get();
        if (c < 0)
            end_error();
        text += static_cast<char>(c);
        if (c == '\\')
            escape = !escape;
        else if (c == '"' && !escape)
            return finish_string(text);
        else
            escape = false;
    }
}

// A number or a bare word that starts with c: characters are taken while the
// state machine accepts them, and the token ends in an accepting state
// (ZERO and up) before a delimiter.
Token TextParser::parse_word(int c)
{
    // Token type for each accepting state, from ZERO on.
    static const Token::Type token_type[] = { Token::INTEGER, Token::INTEGER, Token::INTEGER, Token::INTEGER,
        Token::FLOAT, Token::FLOAT, Token::IDENTIFIER };

    std::string text(1, static_cast<char>(c));
    int state = first_state(c);
    while (state < ZERO || !is_delimiter(in.peek()))
    {
        c = in.get();
        if (c < 0)
            end_error();
        text += static_cast<char>(c);
        state = next_state(state, c);
    }
    return Token(token_type[state - ZERO], std::move(text));
}

int TextParser::first_state(int c)
{
    if (c == '0')
        return ZERO;
    if (c == '-' || c == '+')
        return SIGN;
    if (c == '.')
        return FLOAT;
    if (is_digit(c))
        return DECIMAL;
    if (is_alpha(c) || c == '_')
        return IDENTIFIER;
    parse_error(c, INIT);
}

// The state after c; a character that state cannot take is a parse error.
int TextParser::next_state(int state, int c)
{
    switch (state)
    {
    case FLOAT:
    case FLOATEXPINIT:
    case FLOATEXPSIGN:
    case FLOATEXP:
        return next_float_state(state, c);
    case IDENTIFIER:
        if (!is_alpha(c) && !is_digit(c) && c != '_')
            parse_error(c, state);
        return IDENTIFIER;
    default:
        return next_integer_state(state, c);
    }
}

int TextParser::next_integer_state(int state, int c)
{
    switch (state)
    {
    case SIGN:
        if (c == '0')
            return ZERO;
        if (is_digit(c))
            return DECIMAL;
        if (c == '.')
            return FLOAT;
        break;
    case ZERO:
        if (c == 'x')
            return HEXADECIMAL;
        if (is_digit(c))
            return OCTAL;
        if (c == '.')
            return FLOAT;
        break;
    case DECIMAL:
        if (c == '.')
            return FLOAT;
        if (is_digit(c))
            return DECIMAL;
        break;
    case HEXADECIMAL:
        if (hex_digit_value(static_cast<char>(c)) >= 0)
            return HEXADECIMAL;
        break;
    case OCTAL:
        if (isodigit(c))
            return OCTAL;
        break;
    default:
        throw Exception(get_location() + ": Internal error (bad state)");
    }
    parse_error(c, state);
}

int TextParser::next_float_state(int state, int c)
{
    if (state == FLOAT && (c == 'e' || c == 'E'))
        return FLOATEXPINIT;
    if (state == FLOATEXPINIT && (c == '+' || c == '-'))
        return FLOATEXPSIGN;
    if (is_digit(c))
        return state == FLOAT ? FLOAT : FLOATEXP;
    parse_error(c, state);
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

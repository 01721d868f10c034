#ifndef KEL_STRINGS_UTILS_H
#define KEL_STRINGS_UTILS_H

#include <string>
#include <vector>

namespace Kel
{

// Splitting. Every splitter returns the fields in order, and an empty str
// gives no fields at all (not one empty field). A negative max_split means no
// limit; otherwise once max_split fields are taken, the rest of str, with its
// separators, becomes the last field.

// Splits at every character of the set sep and drops empty fields; the rest
// after the limit starts at a non-empty field:
//   split("a  b  c", " ", 1) is {"a", "b  c"}; split("a,;b", ",;") is {"a", "b"}.
std::vector<std::string> split(const std::string& str, const std::string& sep, int max_split = -1);
std::vector<std::string> split(const std::string& str, char sep, int max_split = -1);

// Splits at every occurrence of the whole string sep and drops empty fields:
//   split_long("a--b----c", "--") is {"a", "b", "c"}.
// An empty sep never matches.
std::vector<std::string> split_long(const std::string& str, const std::string& sep, int max_split = -1);

// Splits at every occurrence of the whole string sep and keeps empty fields,
// including one after a trailing separator:
//   split_fields("a;;b", ";") is {"a", "", "b"}; split_fields("a;", ";") is {"a", ""};
//   split_fields("a;b;c", ";", 1) is {"a", "b;c"}.
// An empty sep never matches.
std::vector<std::string> split_fields(const std::string& str, const std::string& sep, int max_split = -1);
std::vector<std::string> split_fields(const std::string& str, char sep, int max_split = -1);

// Splits at every character of the set sep without a limit, keeping empty
// fields only if allow_empty:
//   split(",a,,b,", ",", true) is {"", "a", "", "b", ""}; with false, {"a", "b"}.
std::vector<std::string> split(const std::string& str, const std::string& sep, bool allow_empty);
std::vector<std::string> split(const std::string& str, char sep, bool allow_empty);

// Removes leading and trailing blanks, tabs, carriage returns and line feeds;
// other control characters stay: strip("\t ab \n") is "ab".
std::string strip(const std::string& s);

// Maps every byte through the C library's single-byte case mapping; in the
// default locale only ASCII letters change.
std::string toupper(const std::string& str);
std::string tolower(const std::string& str);

// Compares ignoring letter case; only the sign of the result means anything.
// Bytes count as signed, as in C's strcasecmp, so bytes from 128 up sort
// before ASCII. The end of the shorter string sorts before bytes 0 to 127 and
// after bytes from 128 up; different strings never compare equal.
//   strcasecmp("Alice", "aLICE") == 0; strcasecmp("abc", "ab") > 0.
int strcasecmp(const std::string& s1, const std::string& s2);

// The value of one hexadecimal digit of either case, or -1 for any other
// character: hex_digit_value('b') is 11, hex_digit_value('g') is -1.
int hex_digit_value(char c);

// Writes str as the inside of a C string literal: the usual letter escapes
// (\n \t \r \b \v \a \f), \" \' \\, and three octal digits for any other byte
// below 32 and, if escape_8bit, for bytes from 128 up. Byte 127 is copied.
//   c_escape("a\tb\"") is "a\\tb\\\""; c_escape("\x01") is "\\001".
std::string c_escape(const std::string& str, bool escape_8bit);

// The inverse of c_escape: reads the letter escapes, \" \' \\, \xHH with
// exactly two hexadecimal digits and \ooo with exactly three octal digits,
// the first 0-3. A numeric escape cut short by the end of str is dropped.
// Anything else throws Kel::InvalidParameterValue.
//   c_unescape("\\x41\\101\\n") is "AA\n".
std::string c_unescape(const std::string& str);

} // namespace Kel

#endif

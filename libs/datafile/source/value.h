#ifndef KEL_DATAFILE_VALUE_H
#define KEL_DATAFILE_VALUE_H

#include "libs/strings/source/fmt.h"
#include "libs/strings/source/formatter.h"

#include <string>
#include <utility>
#include <vector>

namespace Kel
{
namespace DataFile
{

enum Type
{
    INTEGER = 0,
    FLOAT = 1,
    STRING = 2,
    BOOLEAN = 3,
    ENUM = 4
};

// The data type that a C++ type is stored as; defined only for the types a
// Value can be made from.
template <typename T> struct TypeOf;
template <> struct TypeOf<std::string>
{
    static const Type type = STRING;
};
template <> struct TypeOf<long long>
{
    static const Type type = INTEGER;
};
template <> struct TypeOf<float>
{
    static const Type type = FLOAT;
};
template <> struct TypeOf<bool>
{
    static const Type type = BOOLEAN;
};

// One typed argument of a statement, kept in text form. Numbers keep the
// form they were written in ("0x1F", "017", "2.e3") and are converted only
// when read with get<T>().
class Value
{
public:
    Value(Type t, const std::string& raw): type(t), data(raw) { }
    Value(Type t, std::string&& raw): type(t), data(std::move(raw)) { }
    Value(Type t, const char* raw): type(t), data(raw) { }

    // Value(std::string("a")) is STRING "a", Value(7LL) INTEGER "7",
    // Value(2.5f) FLOAT "2.5" (six significant digits), Value(true) BOOLEAN "1".
    template <typename T> explicit Value(const T& v): type(TypeOf<T>::type), data(lexical_cast(v, Fmt())) { }

    // Converts to T. A value of another type throws TypeError "Type mismatch";
    // text that does not convert (or does not fit T) throws Kel::Exception
    // "Invalid value". Integers take the decimal, "0x" hexadecimal and
    // leading-zero octal forms, each with an optional sign.
    template <typename T> T get() const;

    Type get_type() const { return type; }
    const std::string& get_raw() const { return data; }

private:
    Type type;
    std::string data;
};

typedef std::vector<Value> ValueArray;

template <> const std::string& Value::get<const std::string&>() const;
template <> std::string Value::get<std::string>() const;
template <> bool Value::get<bool>() const;
template <> long long Value::get<long long>() const;
template <> int Value::get<int>() const;
template <> unsigned int Value::get<unsigned int>() const;
template <> float Value::get<float>() const;

} // namespace DataFile
} // namespace Kel

#endif

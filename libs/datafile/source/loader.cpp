#include "libs/datafile/source/loader.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/parser.h"

namespace Kel
{
namespace DataFile
{

LoaderAction::LoaderAction() = default;

LoaderAction::~LoaderAction() = default;

void LoaderAction::check_args(const Statement& st, unsigned int count)
{
    if (st.args.size() != count)
        throw TypeError(st.get_location() + ": Wrong number of arguments");
}

Loader::Loader(): cur_st(nullptr) { }

Loader::~Loader()
{
    for (ActionMap::iterator i = actions.begin(); i != actions.end(); ++i)
        delete i->second;
}

void Loader::load(Parser& parser)
{
    while (parser)
    {
        Statement st = parser.parse();
        if (st.valid)
            load_statement(st);
    }
    finish();
}

void Loader::load(const Statement& st)
{
    for (const Statement& sub : st.sub)
        load_statement(sub);
    finish();
}

void Loader::finish() { }

void Loader::add(const std::string& keyword)
{
    add(keyword, static_cast<LoaderAction*>(nullptr));
}

const std::string& Loader::get_source() const
{
    static const std::string none;
    return cur_st ? cur_st->source : none;
}

void Loader::add(const std::string& keyword, LoaderAction* action)
{
    ActionMap::iterator i = actions.find(keyword);
    if (i == actions.end())
    {
        actions.insert(ActionMap::value_type(keyword, action));
    }
    else
    {
        delete i->second;
        i->second = action;
    }
}

void Loader::load_statement(const Statement& st)
{
    ActionMap::const_iterator i = actions.find(st.keyword);
    if (i == actions.end())
        throw KeyError(st.get_location() + ": Unknown keyword", st.keyword);

    // Restored also when the action throws.
    struct Current
    {
        const Statement*& cur_st;
        const Statement* previous;
        ~Current() { cur_st = previous; }
    } current { cur_st, cur_st };
    cur_st = &st;
    if (i->second)
        i->second->execute(*this, st);
}

} // namespace DataFile
} // namespace Kel

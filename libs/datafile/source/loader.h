#ifndef KEL_DATAFILE_LOADER_H
#define KEL_DATAFILE_LOADER_H

#include "libs/datafile/source/except.h"
#include "libs/datafile/source/statement.h"

#include <map>
#include <string>

namespace Kel
{
namespace DataFile
{

class Loader;
class Parser;

// What a loader does with the statements of one keyword.
class LoaderAction
{
public:
    virtual void execute(Loader& loader, const Statement& st) const = 0;
    virtual ~LoaderAction();

    LoaderAction(const LoaderAction&) = delete;
    LoaderAction& operator=(const LoaderAction&) = delete;

protected:
    LoaderAction();

    // Throws TypeError "<location>: Wrong number of arguments" unless st has count arguments.
    static void check_args(const Statement& st, unsigned int count);
};

// Maps statements onto one object by keyword. A concrete loader for class O
// is O::Loader: it registers its keywords in its constructor and offers
// get_object(), through which the value-storing actions reach the object.
// The first statement that cannot be applied stops the load with an
// exception naming its location; earlier statements keep their effect.
class Loader
{
public:
    virtual ~Loader();

    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;

    // Applies every statement of the parser, then calls finish() once.
    void load(Parser& parser);
    // Applies the sub-statements of st (a block), then calls finish() once.
    void load(const Statement& st);

protected:
    Loader();

    // Called after a whole input or block has loaded, to check or complete the object.
    virtual void finish();

    // Calls func on this loader with the statement's arguments converted to
    // the parameter types.
    template <typename L, typename A1> void add(const std::string& keyword, void (L::*func)(A1));
    template <typename L, typename A1, typename A2>
    void add(const std::string& keyword, void (L::*func)(A1, A2));
    template <typename L, typename A1, typename A2, typename A3>
    void add(const std::string& keyword, void (L::*func)(A1, A2, A3));

    // Stores the statement's arguments into members of the loaded object.
    template <typename O, typename T> void add(const std::string& keyword, T O::*member);
    template <typename O, typename T1, typename T2>
    void add(const std::string& keyword, T1 O::*member1, T2 O::*member2);

    // Accepts the keyword with any arguments and ignores it.
    void add(const std::string& keyword);

    // The source name of the statement being processed; empty outside an action.
    const std::string& get_source() const;

private:
    typedef std::map<std::string, LoaderAction*> ActionMap;

    // Takes ownership of action (which may be null); replaces and deletes
    // an action registered earlier for the same keyword.
    void add(const std::string& keyword, LoaderAction* action);
    void load_statement(const Statement& st);

    ActionMap actions;
    const Statement* cur_st;
};

template <typename L, typename A1> class LoaderFunc1: public LoaderAction
{
public:
    typedef void (L::*FuncType)(A1);

    explicit LoaderFunc1(FuncType func): func(func) { }

    void execute(Loader& loader, const Statement& st) const override
    {
        check_args(st, 1);
        L& l = dynamic_cast<L&>(loader);
        (l.*func)(st.args[0].get<A1>());
    }

private:
    FuncType func;
};

template <typename L, typename A1, typename A2> class LoaderFunc2: public LoaderAction
{
public:
    typedef void (L::*FuncType)(A1, A2);

    explicit LoaderFunc2(FuncType func): func(func) { }

    void execute(Loader& loader, const Statement& st) const override
    {
        check_args(st, 2);
        L& l = dynamic_cast<L&>(loader);
        (l.*func)(st.args[0].get<A1>(), st.args[1].get<A2>());
    }

private:
    FuncType func;
};

template <typename L, typename A1, typename A2, typename A3> class LoaderFunc3: public LoaderAction
{
public:
    typedef void (L::*FuncType)(A1, A2, A3);

    explicit LoaderFunc3(FuncType func): func(func) { }

    void execute(Loader& loader, const Statement& st) const override
    {
        check_args(st, 3);
        L& l = dynamic_cast<L&>(loader);
        (l.*func)(st.args[0].get<A1>(), st.args[1].get<A2>(), st.args[2].get<A3>());
    }

private:
    FuncType func;
};

template <typename O, typename T> class LoadValue1: public LoaderAction
{
public:
    typedef T O::*PointerType;

    explicit LoadValue1(PointerType ptr0): ptr0(ptr0) { }

    void execute(Loader& loader, const Statement& st) const override
    {
        check_args(st, 1);
        T value = st.args[0].get<T>();
        dynamic_cast<typename O::Loader&>(loader).get_object().*ptr0 = value;
    }

private:
    PointerType ptr0;
};

template <typename O, typename T1, typename T2> class LoadValue2: public LoaderAction
{
public:
    typedef T1 O::*Pointer1Type;
    typedef T2 O::*Pointer2Type;

    LoadValue2(Pointer1Type ptr0, Pointer2Type ptr1): ptr0(ptr0), ptr1(ptr1) { }

    // Both arguments are converted before either member changes.
    void execute(Loader& loader, const Statement& st) const override
    {
        check_args(st, 2);
        T1 value0 = st.args[0].get<T1>();
        T2 value1 = st.args[1].get<T2>();
        O& object = dynamic_cast<typename O::Loader&>(loader).get_object();
        object.*ptr0 = value0;
        object.*ptr1 = value1;
    }

private:
    Pointer1Type ptr0;
    Pointer2Type ptr1;
};

template <typename L, typename A1> void Loader::add(const std::string& keyword, void (L::*func)(A1))
{
    add(keyword, static_cast<LoaderAction*>(new LoaderFunc1<L, A1>(func)));
}

template <typename L, typename A1, typename A2>
void Loader::add(const std::string& keyword, void (L::*func)(A1, A2))
{
    add(keyword, static_cast<LoaderAction*>(new LoaderFunc2<L, A1, A2>(func)));
}

template <typename L, typename A1, typename A2, typename A3>
void Loader::add(const std::string& keyword, void (L::*func)(A1, A2, A3))
{
    add(keyword, static_cast<LoaderAction*>(new LoaderFunc3<L, A1, A2, A3>(func)));
}

template <typename O, typename T> void Loader::add(const std::string& keyword, T O::*member)
{
    add(keyword, static_cast<LoaderAction*>(new LoadValue1<O, T>(member)));
}

template <typename O, typename T1, typename T2>
void Loader::add(const std::string& keyword, T1 O::*member1, T2 O::*member2)
{
    add(keyword, static_cast<LoaderAction*>(new LoadValue2<O, T1, T2>(member1, member2)));
}

} // namespace DataFile
} // namespace Kel

#endif

#include "libs/strings/source/lexicalcast.h"

#include "libs/core/source/core/except.h"

namespace Kel
{

void Detail::throw_conversion_failure()
{
    throw LexicalError("Conversion failure");
}

} // namespace Kel

#include "platform/portable/win32/load_scope.h"

#include "platform/portable/win32/open_load.h"
#include "platform/portable/win32/path_open.h"

namespace portable {

uint64_t OpenLoad()
{
    const uint64_t number = NumberNextLoad();
    TrimFolderListings();
    return number;
}

void CloseLoad(uint64_t number)
{
    if (EndOpenLoad(number)) TrimFolderListings();
}

} // namespace portable

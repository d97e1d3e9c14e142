#include "shell/singleinstance.h"

#include "shell/texts.h"

#include <cstdio>
#include <string>

namespace shell {
namespace {

void tell(const std::string &note)
{
    if (!note.empty())
        std::fprintf(stderr, "%s\n", note.c_str());
}

} // namespace

bool startAsOnlyCopy(platform::InstanceLock &lock)
{
    const platform::Result<bool> acquired = lock.tryAcquire();
    tell(texts::lockNote(lock.problems(), acquired ? lock.folder() : std::string()));
    if (!acquired || *acquired)
        return true;
    if (const platform::Result<> asked = lock.askRunningCopyToRaise(); !asked)
        tell(texts::raiseNotAskedNote(asked.error()));
    return false;
}

} // namespace shell

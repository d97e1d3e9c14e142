// The presence probe as the deletion run asks it, on the system it runs on.

#include "deletion/presenceprobe.h"
#include "platform/filesystem.h"
#include "tests/support/scratchfolder.h"
#include "tests/support/u16text.h"

#include <doctest/doctest.h>
#include <optional>
#include <string>

// The probe drops one trailing separator, from the caller's variable too,
// and then finds the file; an empty name finds nothing.
TEST_CASE("the probe drops a trailing separator and finds the file")
{
    const testsupport::ScratchFolder scratch;
    REQUIRE(scratch.isValid());
    REQUIRE(testsupport::writeFile(scratch / "200406orveta.mdb", "data"));
    platform::Result<std::optional<platform::DataFolder>> folder
        = platform::DataFolder::open(scratch.path().u16string());
    REQUIRE(folder);
    REQUIRE(*folder);

    std::u16string probed = u"200406orveta.mdb";
    probed += platform::kPathSeparator;
    CHECK(deletion::probeFilePresence(**folder, probed).has_value());
    CHECK(probed == u"200406orveta.mdb");
    std::u16string empty;
    CHECK(!deletion::probeFilePresence(**folder, empty).has_value());
}

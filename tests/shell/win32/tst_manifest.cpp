// The manifest that the built program carries: long paths are allowed to
// it on systems where they are switched on, alongside the long form of
// every path it gives to the file functions.

#include <doctest/doctest.h>
#include <string>
#include <windows.h>

namespace {

std::string embeddedManifest(const wchar_t *program)
{
    const HMODULE module = ::LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return {};
    std::string text;
    if (const HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
        const HGLOBAL loaded = ::LoadResource(module, resource);
        const auto *bytes = static_cast<const char *>(::LockResource(loaded));
        if (bytes)
            text.assign(bytes, ::SizeofResource(module, resource));
    }
    ::FreeLibrary(module);
    return text;
}

} // namespace

TEST_CASE("the program declares itself aware of long paths")
{
    const std::string manifest = embeddedManifest(TOOL_EXECUTABLE);
    REQUIRE(!manifest.empty());
    const std::size_t settings = manifest.find("<windowsSettings>");
    const std::size_t settingsEnd = manifest.find("</windowsSettings>");
    const std::size_t element = manifest.find(
        "<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
        "true</longPathAware>");
    CHECK(settings != std::string::npos);
    CHECK(element != std::string::npos);
    CHECK(settings < element);
    CHECK(element < settingsEnd);
}

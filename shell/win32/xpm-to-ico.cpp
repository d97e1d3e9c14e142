// Turns the window icon (shell/icon.xpm) into the Windows icon file that the
// program's resources embed. Runs at build time on the build machine, so it
// uses nothing but the standard library.
// Usage: xpm-to-ico INPUT.xpm OUTPUT.ico
//
// The icon file holds one 16-colour image: 4-bit colour indices and a 1-bit
// mask, both stored bottom row first with rows padded to 4 bytes. "None"
// pixels are transparent: index 0 with the mask bit set.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Image
{
    int width = 0, height = 0;
    std::vector<std::uint32_t> palette; // 0xRRGGBB
    std::vector<int> pixels; // palette index, or -1 for transparent
};

// The quoted strings of the XPM's C source, in order.
std::vector<std::string> quotedStrings(const std::string &source)
{
    std::vector<std::string> strings;
    for (std::size_t at = source.find('"'); at != std::string::npos;) {
        const std::size_t end = source.find('"', at + 1);
        if (end == std::string::npos)
            break;
        strings.push_back(source.substr(at + 1, end - at - 1));
        at = source.find('"', end + 1);
    }
    return strings;
}

bool readXpm(const std::string &source, Image &image, std::string &error)
{
    const std::vector<std::string> strings = quotedStrings(source);
    int colours = 0, charsPerPixel = 0;
    if (strings.empty()
        || !(std::istringstream(strings[0]) >> image.width >> image.height >> colours
             >> charsPerPixel)
        || std::size_t(1 + colours + image.height) > strings.size()) {
        error = "not an XPM image";
        return false;
    }
    std::map<std::string, int> indexOf;
    for (int c = 1; c <= colours; ++c) {
        const std::string &line = strings[std::size_t(c)];
        std::istringstream rest(line.substr(std::size_t(charsPerPixel)));
        std::string key, value;
        rest >> key >> value;
        if (key != "c") {
            error = "colour line without a c key: " + line;
            return false;
        }
        int index = -1;
        if (value != "None") {
            if (value.size() != 7 || value[0] != '#') {
                error = "colour not in #RRGGBB form: " + value;
                return false;
            }
            index = int(image.palette.size());
            image.palette.push_back(std::uint32_t(std::stoul(value.substr(1), nullptr, 16)));
        }
        indexOf[line.substr(0, std::size_t(charsPerPixel))] = index;
    }
    if (image.palette.size() > 16) {
        error = "more than 16 colours";
        return false;
    }
    for (int y = 0; y < image.height; ++y) {
        const std::string &row = strings[std::size_t(1 + colours + y)];
        for (int x = 0; x < image.width; ++x) {
            const auto found = indexOf.find(
                row.substr(std::size_t(x * charsPerPixel), std::size_t(charsPerPixel)));
            if (found == indexOf.end()) {
                error = "pixel of no listed colour in row " + std::to_string(y);
                return false;
            }
            image.pixels.push_back(found->second);
        }
    }
    return true;
}

void put16(std::string &out, unsigned value)
{
    out += char(value & 0xFF);
    out += char((value >> 8) & 0xFF);
}

void put32(std::string &out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::string icoFile(const Image &image)
{
    const int colourRow = (image.width * 4 + 31) / 32 * 4;
    const int maskRow = (image.width + 31) / 32 * 4;
    const std::uint32_t bitmapSize
        = 40 + 16 * 4 + std::uint32_t((colourRow + maskRow) * image.height);

    std::string out;
    put16(out, 0); // icon directory: reserved, type 1 (icon), one image
    put16(out, 1);
    put16(out, 1);
    out += char(image.width >= 256 ? 0 : image.width);
    out += char(image.height >= 256 ? 0 : image.height);
    out += char(16); // colours
    out += char(0);
    put16(out, 1); // planes
    put16(out, 4); // bits per pixel
    put32(out, bitmapSize);
    put32(out, 6 + 16);

    put32(out, 40); // BITMAPINFOHEADER; the height counts colours and mask
    put32(out, std::uint32_t(image.width));
    put32(out, std::uint32_t(image.height * 2));
    put16(out, 1);
    put16(out, 4);
    put32(out, 0); // uncompressed
    put32(out, std::uint32_t((colourRow + maskRow) * image.height));
    put32(out, 0);
    put32(out, 0);
    put32(out, 16);
    put32(out, 0);
    for (std::size_t i = 0; i < 16; ++i) {
        const std::uint32_t rgb = i < image.palette.size() ? image.palette[i] : 0;
        out += char(rgb & 0xFF); // blue, green, red, reserved
        out += char((rgb >> 8) & 0xFF);
        out += char((rgb >> 16) & 0xFF);
        out += char(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        std::string row(std::size_t(colourRow), '\0');
        for (int x = 0; x < image.width; ++x) {
            const int index = std::max(0, image.pixels[std::size_t(y * image.width + x)]);
            row[std::size_t(x / 2)] = char(row[std::size_t(x / 2)] | (x % 2 ? index : index << 4));
        }
        out += row;
    }
    for (int y = image.height - 1; y >= 0; --y) {
        std::string row(std::size_t(maskRow), '\0');
        for (int x = 0; x < image.width; ++x)
            if (image.pixels[std::size_t(y * image.width + x)] < 0)
                row[std::size_t(x / 8)] = char(row[std::size_t(x / 8)] | (0x80 >> (x % 8)));
        out += row;
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: xpm-to-ico INPUT.xpm OUTPUT.ico\n");
        return 2;
    }
    std::ifstream input(argv[1], std::ios::binary);
    const std::string source{std::istreambuf_iterator<char>(input), {}};
    Image image;
    std::string error;
    if (!input || !readXpm(source, image, error)) {
        std::fprintf(stderr, "xpm-to-ico: %s: %s\n", argv[1],
                     error.empty() ? "cannot read" : error.c_str());
        return 1;
    }
    const std::string ico = icoFile(image);
    std::ofstream output(argv[2], std::ios::binary);
    if (!output.write(ico.data(), std::streamsize(ico.size()))) {
        std::fprintf(stderr, "xpm-to-ico: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

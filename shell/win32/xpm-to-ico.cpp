// xpm-to-ico: writes the tool's XPM icon as a Windows .ico, for the program's
// own icon resource, the MSI's Start-menu shortcut and its installed-programs entry.
//
//     xpm-to-ico INPUT.xpm OUTPUT.ico
//
// A build-machine program with the plain C++ library, so that building needs
// neither Qt nor an image tool. It reads the XPM 3 form that shell/icon.xpm
// uses (one character a pixel or more, colours given as "c #RRGGBB" or
// "c None") and writes one 32-bit image with an alpha channel and the AND mask
// that older readers look at.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Image
{
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0xAARRGGBB, rows from the top
};

// The quoted strings of the XPM, in order.
std::vector<std::string> quotedStrings(const std::string &source)
{
    std::vector<std::string> strings;
    size_t at = 0;
    while ((at = source.find('"', at)) != std::string::npos) {
        const size_t end = source.find('"', at + 1);
        if (end == std::string::npos)
            break;
        strings.push_back(source.substr(at + 1, end - at - 1));
        at = end + 1;
    }
    return strings;
}

std::optional<std::uint32_t> parseColour(const std::string &definition)
{
    // "c #RRGGBB", possibly with other visuals (m, g, s) around it.
    std::istringstream words(definition);
    std::string key;
    std::string value;
    while (words >> key) {
        if (!(words >> value))
            return std::nullopt;
        if (key != "c")
            continue;
        if (value == "None" || value == "none")
            return 0x00000000u;
        if (value.size() == 7 && value[0] == '#') {
            std::uint32_t rgb = 0;
            for (size_t i = 1; i < 7; ++i) {
                const char c = value[i];
                int digit = 0;
                if (c >= '0' && c <= '9')
                    digit = c - '0';
                else if (c >= 'a' && c <= 'f')
                    digit = c - 'a' + 10;
                else if (c >= 'A' && c <= 'F')
                    digit = c - 'A' + 10;
                else
                    return std::nullopt;
                rgb = rgb << 4 | static_cast<std::uint32_t>(digit);
            }
            return 0xFF000000u | rgb;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Image> readXpm(const std::string &source, std::string &error)
{
    const std::vector<std::string> strings = quotedStrings(source);
    if (strings.empty()) {
        error = "no XPM values";
        return std::nullopt;
    }
    int colours = 0;
    int charsPerPixel = 0;
    Image image;
    std::istringstream values(strings[0]);
    if (!(values >> image.width >> image.height >> colours >> charsPerPixel) || image.width <= 0
        || image.height <= 0 || image.width > 256 || image.height > 256 || colours <= 0
        || charsPerPixel <= 0) {
        error = "bad XPM values line: \"" + strings[0] + "\"";
        return std::nullopt;
    }
    if (strings.size() < static_cast<size_t>(1 + colours + image.height)) {
        error = "the XPM has fewer colour or pixel lines than it announces";
        return std::nullopt;
    }

    std::map<std::string, std::uint32_t> palette;
    for (int i = 0; i < colours; ++i) {
        const std::string &line = strings[static_cast<size_t>(1 + i)];
        if (line.size() < static_cast<size_t>(charsPerPixel)) {
            error = "short colour line: \"" + line + "\"";
            return std::nullopt;
        }
        const std::optional<std::uint32_t> colour = parseColour(line.substr(charsPerPixel));
        if (!colour) {
            error = "unsupported colour line: \"" + line + "\"";
            return std::nullopt;
        }
        palette[line.substr(0, charsPerPixel)] = *colour;
    }

    image.pixels.reserve(static_cast<size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        const std::string &row = strings[static_cast<size_t>(1 + colours + y)];
        if (row.size() != static_cast<size_t>(image.width * charsPerPixel)) {
            error = "pixel row " + std::to_string(y) + " is not " + std::to_string(image.width)
                    + " pixels wide";
            return std::nullopt;
        }
        for (int x = 0; x < image.width; ++x) {
            const auto colour = palette.find(row.substr(static_cast<size_t>(x * charsPerPixel),
                                                        static_cast<size_t>(charsPerPixel)));
            if (colour == palette.end()) {
                error = "pixel row " + std::to_string(y) + " uses a colour it does not define";
                return std::nullopt;
            }
            image.pixels.push_back(colour->second);
        }
    }
    return image;
}

void put16(std::string &out, std::uint32_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8 & 0xFF));
}

void put32(std::string &out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::string icoFile(const Image &image)
{
    const auto width = static_cast<std::uint32_t>(image.width);
    const auto height = static_cast<std::uint32_t>(image.height);
    const std::uint32_t maskStride = (width + 31) / 32 * 4;
    const std::uint32_t headerSize = 40;
    const std::uint32_t imageSize = headerSize + width * height * 4 + maskStride * height;
    const std::uint32_t imageOffset = 6 + 16;

    std::string out;
    put16(out, 0); // reserved
    put16(out, 1); // an icon, not a cursor
    put16(out, 1); // one image
    out.push_back(static_cast<char>(width == 256 ? 0 : width));
    out.push_back(static_cast<char>(height == 256 ? 0 : height));
    out.push_back(0); // no palette
    out.push_back(0);
    put16(out, 1); // planes
    put16(out, 32); // bits per pixel
    put32(out, imageSize);
    put32(out, imageOffset);

    // The image is a bottom-up DIB whose height counts the colour rows and the
    // mask rows together.
    put32(out, headerSize);
    put32(out, width);
    put32(out, height * 2);
    put16(out, 1);
    put16(out, 32);
    put32(out, 0); // BI_RGB
    put32(out, width * height * 4 + maskStride * height);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);

    for (std::uint32_t y = height; y-- > 0;) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t argb = image.pixels[y * width + x];
            // Transparent pixels are stored as zero, as Windows' own icons do.
            put32(out, argb >> 24 ? argb : 0u); // B, G, R, A in file order
        }
    }
    for (std::uint32_t y = height; y-- > 0;) {
        std::string row(maskStride, '\0');
        for (std::uint32_t x = 0; x < width; ++x) {
            if (!(image.pixels[y * width + x] >> 24))
                row[x / 8] = static_cast<char>(row[x / 8] | 0x80 >> (x % 8));
        }
        out += row;
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: xpm-to-ico INPUT.xpm OUTPUT.ico\n");
        return 2;
    }
    std::ifstream input(argv[1], std::ios::binary);
    if (!input) {
        std::fprintf(stderr, "xpm-to-ico: cannot read %s\n", argv[1]);
        return 1;
    }
    std::ostringstream source;
    source << input.rdbuf();

    std::string error;
    const std::optional<Image> image = readXpm(source.str(), error);
    if (!image) {
        std::fprintf(stderr, "xpm-to-ico: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    const std::string ico = icoFile(*image);
    std::ofstream output(argv[2], std::ios::binary | std::ios::trunc);
    output.write(ico.data(), static_cast<std::streamsize>(ico.size()));
    output.close();
    if (!output) {
        std::fprintf(stderr, "xpm-to-ico: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
